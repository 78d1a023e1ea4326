#pragma once

// The test program's operator new, which a test can make refuse once.
namespace failingnew {

// The next operator new on the calling thread throws std::bad_alloc.
void failNextOnThisThread();

}  // namespace failingnew
