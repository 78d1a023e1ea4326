// The replaced operators live alone here: seen beside their callers, GCC
// takes the malloc inside this operator new and the free inside the inlined
// operator delete for a mismatch.
#include "FailingNew.h"

#include <cstdlib>
#include <new>

namespace {
thread_local bool failNext = false;
}

void failingnew::failNextOnThisThread() { failNext = true; }

void* operator new(std::size_t n) {
    if (failNext) {
        failNext = false;  // one refusal only
        throw std::bad_alloc();
    }
    if (void* p = std::malloc(n == 0 ? 1 : n)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
