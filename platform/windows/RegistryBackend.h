#pragma once

#include "platform/RegistryBackend.h"

#include <memory>

namespace platform {

// Whether this process may change HKEY_LOCAL_MACHINE. A standard user's may
// not; Wine lets every process, so tests ask for a back end that is refused
// as a standard user's is.
enum class MachineHive { Writable, ReadOnly };

// The registry back end; RegistryBackend::make() gives the Writable one,
// which still falls back to the user's hive when the system refuses it.
std::unique_ptr<RegistryBackend> makeRegistryBackend(MachineHive machine);

}  // namespace platform
