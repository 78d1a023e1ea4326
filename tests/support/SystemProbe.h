#pragma once

#include <cstdint>

// What the system says of its memory and of this process, for the tests of
// the real services.
namespace testsupport {

// This process's part of the system's commit charge, in kB.
std::int64_t committedKB();
// This process's resident (working set) pages, in kB.
std::int64_t residentKB();
// How much of this process's address space is mapped (reserved or
// committed), in kB.
std::int64_t mappedKB();
// True when running on Wine, which does not model every part of Windows.
bool underWine();

}  // namespace testsupport
