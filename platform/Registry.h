#pragma once

#include <cstdint>

#ifdef _WIN32
// <windows.h> spells the hives and value types as macros, which would turn
// the names below into nonsense: this header must come first.
#if defined(HKEY_LOCAL_MACHINE) || defined(REG_SZ)
#error "include platform/Registry.h before <windows.h>"
#endif
struct HKEY__;  // NOLINT(bugprone-reserved-identifier): the system headers name it so
#endif

namespace platform {

#ifdef _WIN32
// The registry's hives: the system's own predefined handles.
using RootKey = HKEY__*;

namespace detail {
// A predefined handle is a sign-extended 32-bit number.
inline RootKey hive(std::uint32_t number) {
    // NOLINTNEXTLINE(performance-no-int-to-ptr): these handles are numbers, never addresses
    return reinterpret_cast<RootKey>(static_cast<std::intptr_t>(static_cast<std::int32_t>(number)));
}
}  // namespace detail

inline const RootKey HKEY_CLASSES_ROOT = detail::hive(0x80000000);
inline const RootKey HKEY_CURRENT_USER = detail::hive(0x80000001);
inline const RootKey HKEY_LOCAL_MACHINE = detail::hive(0x80000002);
inline const RootKey HKEY_USERS = detail::hive(0x80000003);
inline const RootKey HKEY_CURRENT_CONFIG = detail::hive(0x80000005);
#else
// The registry's hives, numbered as on Windows so settings code reads the same.
using RootKey = std::uint32_t;

inline constexpr RootKey HKEY_CLASSES_ROOT = 0x80000000;
inline constexpr RootKey HKEY_CURRENT_USER = 0x80000001;
inline constexpr RootKey HKEY_LOCAL_MACHINE = 0x80000002;
inline constexpr RootKey HKEY_USERS = 0x80000003;
inline constexpr RootKey HKEY_CURRENT_CONFIG = 0x80000005;
#endif

// Value types as the registry numbers them.
inline constexpr std::uint32_t REG_SZ = 1;
inline constexpr std::uint32_t REG_DWORD = 4;

inline constexpr char kProductKey[] = "SOFTWARE\\Tarnwick Technologies\\Orbenfold\\KestrunePlugin";
inline constexpr char kScheduleKey[] = "SOFTWARE\\Tarnwick Technologies\\Orbenfold\\KestrunePlugin\\SCHENT";
// The memory-load triggers: a key of their own, so that a reader of the
// timed entries never meets a value it cannot parse.
inline constexpr char kLoadTriggerKey[] = "SOFTWARE\\Tarnwick Technologies\\Orbenfold\\KestrunePlugin\\SCHENT_LOAD";

}  // namespace platform
