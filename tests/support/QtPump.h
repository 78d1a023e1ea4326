#pragma once

#include <functional>

namespace testsupport {

// Serves the Qt event loop, without pausing between events, until `done`
// holds or `timeoutMs` passes; false on timeout.
bool qtPumpUntil(const std::function<bool()>& done, int timeoutMs = 30000);

}  // namespace testsupport
