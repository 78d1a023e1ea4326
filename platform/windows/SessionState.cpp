#include "platform/SessionState.h"

#include <windows.h>

#include <fstream>
#include <iterator>
#include <random>
#include <system_error>
#include <vector>

namespace platform {
namespace {

// A record is a few lines per application; anything far larger is not ours.
constexpr std::uintmax_t kMaxBytes = 4 << 20;

}  // namespace

std::optional<std::string> SessionState::read(const std::string& name) const {
    if (folder_.empty()) return std::nullopt;
    const std::filesystem::path file = folder_ / name;
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(file, ec);
    if (ec || size > kMaxBytes) return std::nullopt;
    std::ifstream in(file, std::ios::binary);
    if (!in) return std::nullopt;
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return std::nullopt;
    return text;
}

Result<void> SessionState::write(const std::string& name, const std::string& text) const {
    if (folder_.empty()) return Error{missing_};
    std::error_code ec;
    std::filesystem::create_directories(folder_, ec);
    if (ec) return Error{ec.message(), ec.value()};
    // Only its user may read what it keeps.
    std::filesystem::permissions(folder_, std::filesystem::perms::owner_all, std::filesystem::perm_options::replace,
                                 ec);
    // A name of its own, so that two runs writing at once never mix their texts.
    std::random_device random;
    const std::filesystem::path part =
        folder_ / (name + ".new-" + std::to_string((std::uint64_t{random()} << 32) ^ random()));
    {
        std::ofstream out(part, std::ios::binary | std::ios::trunc);
        out << text;
        out.close();
        if (!out) {
            // The stream keeps no system code of its own.
            const Error failed{"cannot write " + part.string(), 0};
            std::filesystem::remove(part, ec);
            return failed;
        }
    }
    std::filesystem::rename(part, folder_ / name, ec);
    if (!ec) return {};
    const Error failed{ec.message(), ec.value()};
    std::filesystem::remove(part, ec);
    return failed;
}

SessionState userSessionState() {
    // Wide, so that a user name outside the code page still works.
    const DWORD size = GetEnvironmentVariableW(L"LOCALAPPDATA", nullptr, 0);
    if (size == 0) return {{}, "LOCALAPPDATA is not set"};
    std::vector<wchar_t> value(size);
    if (GetEnvironmentVariableW(L"LOCALAPPDATA", value.data(), size) == 0) return {{}, "LOCALAPPDATA is not set"};
    const std::filesystem::path dir(value.data());
    std::error_code ec;
    if (!dir.is_absolute() || !std::filesystem::is_directory(dir, ec)) return {{}, "LOCALAPPDATA is not a folder"};
    return {dir / "Kestrune", {}};
}

}  // namespace platform
