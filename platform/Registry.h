#pragma once

#include <cstdint>

namespace platform {

// The registry's hives, numbered as on Windows so settings code reads the same.
using RootKey = std::uint32_t;

inline constexpr RootKey HKEY_CLASSES_ROOT = 0x80000000;
inline constexpr RootKey HKEY_CURRENT_USER = 0x80000001;
inline constexpr RootKey HKEY_LOCAL_MACHINE = 0x80000002;
inline constexpr RootKey HKEY_USERS = 0x80000003;
inline constexpr RootKey HKEY_CURRENT_CONFIG = 0x80000005;

// Value types as the registry numbers them.
inline constexpr std::uint32_t REG_SZ = 1;
inline constexpr std::uint32_t REG_DWORD = 4;

inline constexpr char kProductKey[] = "SOFTWARE\\Tarnwick Technologies\\Orbenfold\\KestrunePlugin";
inline constexpr char kScheduleKey[] = "SOFTWARE\\Tarnwick Technologies\\Orbenfold\\KestrunePlugin\\SCHENT";

}  // namespace platform
