#include "platform/Autostart.h"

#include <cerrno>
#include <cstdlib>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string_view>
#include <system_error>
#include <vector>

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

// Read on the UI thread, where nothing changes the environment.
std::string configHome() {
    // A relative XDG_CONFIG_HOME is to be ignored, as desktops do.
    const char* xdg = std::getenv("XDG_CONFIG_HOME");  // NOLINT(concurrency-mt-unsafe)
    if (xdg != nullptr && xdg[0] == '/') return xdg;
    const char* home = std::getenv("HOME");  // NOLINT(concurrency-mt-unsafe)
    if (home != nullptr && home[0] != '\0') return std::string(home) + "/.config";
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr)
        return std::string(found->pw_dir) + "/.config";
    return "/.config";
}

Error fail(const std::string& what, const std::string& path, int error) {
    return {what + " " + path + ": " + std::system_category().message(error), error};
}

// mkdir -p, each missing folder private to the user as ~/.config is.
Result<void> makeFolders(const std::string& path) {
    for (std::size_t at = 1; at <= path.size(); ++at) {
        if (at < path.size() && path[at] != '/') continue;
        const std::string folder = path.substr(0, at);
        if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return fail("cannot create the folder", folder, errno);
    }
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) return fail("cannot open the folder", path, errno);
    if (!S_ISDIR(st.st_mode)) return fail("cannot create the folder", path, ENOTDIR);
    return {};
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

// Whether an Exec line starts this program: one of its words, unquoted, is
// a path whose last part is `program` (so "nice kestrune" counts too).
bool execStarts(std::string_view exec, std::string_view program) {
    std::size_t at = 0;
    while (at < exec.size()) {
        while (at < exec.size() && exec[at] == ' ') ++at;
        std::string word;
        char quote = 0;
        for (; at < exec.size() && (quote != 0 || exec[at] != ' '); ++at) {
            const char c = exec[at];
            if (c == '"') {
                quote = quote == 0 ? c : '\0';
            } else if (c == '\\' && at + 1 < exec.size()) {
                word += exec[++at];
            } else {
                word += c;
            }
        }
        const auto slash = word.rfind('/');
        if (!word.empty() && std::string_view(word).substr(slash == std::string::npos ? 0 : slash + 1) == program)
            return true;
    }
    return false;
}

// The entry's text, read only from a regular file: a folder, a FIFO (whose
// open would wait for a writer) or a device at its place is no entry.
std::optional<std::string> readEntry(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    struct stat st {};
    std::optional<std::string> text;
    // A desktop entry is a few hundred bytes; a huge file is not one.
    constexpr off_t kLongest = 1 << 20;
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size <= kLongest) {
        text.emplace();
        char buffer[4096];
        for (;;) {
            const ssize_t n = read(fd, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) text.reset();
            if (n <= 0) break;
            text->append(buffer, static_cast<std::size_t>(n));
        }
    }
    close(fd);
    return text;
}

}  // namespace

Autostart::Autostart(std::string executable)
    : executable_(std::move(executable)), path_(configHome() + "/autostart/kestrune.desktop") {}

bool Autostart::enabled() const {
    const std::optional<std::string> text = readEntry(path_);
    if (!text) return false;
    std::istringstream in(*text);
    const std::string_view program = std::string_view(executable_).substr(executable_.rfind('/') + 1);
    bool inMainGroup = false;
    bool ours = false;
    std::string line;
    while (std::getline(in, line)) {
        const std::string_view l = trim(line);
        if (l.empty() || l.front() == '#') continue;
        if (l.front() == '[') {
            inMainGroup = l == "[Desktop Entry]";
            continue;
        }
        const auto eq = l.find('=');
        if (!inMainGroup || eq == std::string_view::npos) continue;
        const std::string_view key = trim(l.substr(0, eq));
        const std::string_view value = trim(l.substr(eq + 1));
        if (key == "Hidden" && value == "true") return false;
        if (key == "X-GNOME-Autostart-enabled" && value == "false") return false;
        if (key == "Exec") ours = execStarts(value, "kestrune") || (!program.empty() && execStarts(value, program));
    }
    return ours;
}

std::string Autostart::execLine(const std::string& executable) {
    constexpr std::string_view reserved = " \t\n\"'\\><~|&;$*?#`()";
    for (const char c : executable) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) {
            throw std::runtime_error("the program's path holds a control character, which a desktop entry cannot: " +
                                     executable);
        }
    }
    std::string argument;
    if (executable.find_first_of(reserved) == std::string::npos) {
        argument = executable;
    } else {
        argument = "\"";
        for (const char c : executable) {
            if (c == '"' || c == '`' || c == '$' || c == '\\') argument += '\\';
            argument += c;
        }
        argument += '"';
    }
    // Then the rules of any string value: a percent sign starts a field
    // code, and a backslash starts an escape.
    std::string line;
    for (const char c : argument) {
        if (c == '%')
            line += "%%";
        else if (c == '\\')
            line += "\\\\";
        else
            line += c;
    }
    return line + " --minimized";
}

std::string Autostart::tryExecValue(const std::string& executable) {
    // A plain string value: its own escapes only, no quoting. Control
    // characters are refused as for the Exec line.
    execLine(executable);
    std::string value;
    for (const char c : executable) {
        if (c == '\\')
            value += "\\\\";
        else
            value += c;
    }
    return value;
}

Result<void> Autostart::setEnabled(bool on) const {
    if (!on) {
        if (unlink(path_.c_str()) != 0 && errno != ENOENT) return fail("cannot remove", path_, errno);
        return {};
    }
    if (enabled()) return {};  // the user's own entry stays as it is
    std::string exec;
    std::string tryExec;
    try {
        exec = execLine(executable_);
        tryExec = tryExecValue(executable_);
    } catch (const std::runtime_error& e) {
        return Error{e.what(), EINVAL};
    }
    const std::string entry =
        "[Desktop Entry]\n"
        "Type=Application\n"
        "Name=Kestrune\n"
        "Comment=Watch memory use live and give unused memory back to the system\n"
        "Exec=" +
        exec +
        "\n"
        // Once the program is gone (the package purged), desktops pass the
        // entry over instead of failing to start it at every login.
        "TryExec=" +
        tryExec +
        "\n"
        "Icon=kestrune\n"
        "Terminal=false\n"
        "X-GNOME-Autostart-enabled=true\n";
    const std::string folder = path_.substr(0, path_.rfind('/'));
    if (Result<void> made = makeFolders(folder); !made) return made;
    // Written beside the entry and renamed over it, so a desktop reading it
    // at that moment, or a full disk, never sees half an entry.
    std::string temporary = path_ + ".XXXXXX";
    const int fd = mkstemp(temporary.data());
    if (fd < 0) return fail("cannot write in", folder, errno);
    auto abandon = [&](int error) {
        close(fd);
        unlink(temporary.c_str());
        return fail("cannot write", path_, error);
    };
    if (fchmod(fd, 0644) != 0) return abandon(errno);
    for (std::size_t done = 0; done < entry.size();) {
        const ssize_t n = write(fd, entry.data() + done, entry.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return abandon(errno);
        done += static_cast<std::size_t>(n);
    }
    if (fsync(fd) != 0) return abandon(errno);
    if (close(fd) != 0) {
        const int error = errno;
        unlink(temporary.c_str());
        return fail("cannot write", path_, error);
    }
    if (rename(temporary.c_str(), path_.c_str()) != 0) {
        const int error = errno;
        unlink(temporary.c_str());
        return fail("cannot write", path_, error);
    }
    return {};
}

}  // namespace platform
