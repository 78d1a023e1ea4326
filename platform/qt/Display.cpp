#include "platform/qt/Display.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonObject>
#include <QLibraryInfo>
#include <QPluginLoader>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <xcb/xcb.h>

namespace platform {
namespace {

// Read before any thread of the program starts.
std::string_view env(const char* name) {
    const char* value = std::getenv(name);  // NOLINT(concurrency-mt-unsafe)
    return value == nullptr ? std::string_view{} : std::string_view{value};
}

// "xcb:option" and "xcb;wayland" lists: the first choice.
std::string_view firstChoice(std::string_view platforms) { return platforms.substr(0, platforms.find_first_of(":;")); }

bool isWayland(std::string_view name) { return name.substr(0, 7) == "wayland"; }

xcb_connection_t* connectX(std::chrono::milliseconds patience) {
    const auto deadline = std::chrono::steady_clock::now() + patience;
    for (;;) {
        xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
        if (xcb_connection_has_error(connection) == 0) return connection;
        xcb_disconnect(connection);
        if (std::chrono::steady_clock::now() >= deadline) return nullptr;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

// Whether a compositor answers on the socket WAYLAND_DISPLAY names.
bool waylandAnswers(std::string_view name) {
    std::string path(name);
    if (path.empty()) return false;
    if (path.front() != '/') {
        const std::string_view runtime = env("XDG_RUNTIME_DIR");
        if (runtime.empty()) return false;
        path = std::string(runtime) + "/" + path;
    }
    sockaddr_un address{};
    if (path.size() >= sizeof address.sun_path) return false;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    const bool answers = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return answers;
}

// Whether a platform plugin of that name is where the toolkit looks for one:
// its keys are read from each plugin's metadata, without loading any.
bool hasPlatformPlugin(std::string_view name, std::string_view extraFolder) {
    QStringList folders;
    if (!extraFolder.empty())
        folders << QString::fromUtf8(extraFolder.data(), static_cast<qsizetype>(extraFolder.size()));
    if (const std::string_view own = env("QT_QPA_PLATFORM_PLUGIN_PATH"); !own.empty())
        folders << QString::fromUtf8(own.data(), static_cast<qsizetype>(own.size()));
    if (const std::string_view paths = env("QT_PLUGIN_PATH"); !paths.empty())
        for (const QString& p : QString::fromUtf8(paths.data(), static_cast<qsizetype>(paths.size())).split(':'))
            folders << p + "/platforms";
    folders << QLibraryInfo::path(QLibraryInfo::PluginsPath) + "/platforms";
    const QString wanted = QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
    for (const QString& folder : folders) {
        const QDir dir(folder);
        for (const QString& file : dir.entryList(QDir::Files)) {
            const QJsonObject meta = QPluginLoader(dir.filePath(file)).metaData().value("MetaData").toObject();
            for (const auto key : meta.value("Keys").toArray())
                if (key.toString().compare(wanted, Qt::CaseInsensitive) == 0) return true;
        }
    }
    return false;
}

}  // namespace

DisplayNeed displayNeed(std::string_view qpaPlatform, std::string_view display, std::string_view waylandDisplay,
                        std::string_view platformArgument) {
    const std::string_view first = platformArgument.empty() ? firstChoice(qpaPlatform) : firstChoice(platformArgument);
    if (isWayland(first)) return DisplayNeed::Wayland;
    if (!first.empty() && first != "xcb") return DisplayNeed::Toolkit;
    if (first.empty() && !waylandDisplay.empty()) return DisplayNeed::Wayland;
    return display.empty() ? DisplayNeed::Missing : DisplayNeed::X;
}

DisplayCheck::DisplayCheck(int argc, char** argv, std::chrono::milliseconds patience) {
    std::string_view platformArgument, pluginFolder;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0)
            platformArgument = argv[i + 1];
        if (std::strcmp(argv[i], "-platformpluginpath") == 0 || std::strcmp(argv[i], "--platformpluginpath") == 0)
            pluginFolder = argv[i + 1];
    }
    const std::string_view qpa = env("QT_QPA_PLATFORM");
    const std::string_view display = env("DISPLAY");
    const std::string_view wayland = env("WAYLAND_DISPLAY");
    const std::string_view chosen = platformArgument.empty() ? firstChoice(qpa) : firstChoice(platformArgument);
    DisplayNeed need = displayNeed(qpa, display, wayland, platformArgument);
    if (need == DisplayNeed::Wayland) {
        // Asked for by name, Wayland it is; only found in the environment, X
        // serves where the compositor does not.
        const bool named = !chosen.empty();
        const bool answers = waylandAnswers(wayland);
        const bool plugin = hasPlatformPlugin(named ? chosen : "wayland", pluginFolder);
        if (plugin && answers) {
            ready_ = true;
            return;
        }
        if (named || display.empty()) {
            const std::string what = wayland.empty() ? std::string("no Wayland display is set (WAYLAND_DISPLAY)")
                                     : !answers      ? "nothing answers on the Wayland display " + std::string(wayland)
                                                     : "the toolkit's Wayland plugin is not installed (qt6-wayland)";
            std::fprintf(stderr, "Kestrune cannot show its windows: %s%s.\n", what.c_str(),
                         named ? "" : ", and no X display is set (DISPLAY)");
            return;
        }
        // The toolkit would try the Wayland display first, and end the
        // process when it fails.
        setenv("QT_QPA_PLATFORM", "xcb", 1);  // NOLINT(concurrency-mt-unsafe): before any thread
        need = DisplayNeed::X;
    }
    switch (need) {
        case DisplayNeed::Toolkit: {
            // A list ("eglfs;xcb") is tried in its order by the toolkit: one
            // choice it has a plugin for will do.
            std::string_view rest = platformArgument.empty() ? qpa : platformArgument;
            while (!ready_ && !rest.empty()) {
                const std::size_t end = std::min(rest.find(';'), rest.size());
                ready_ = hasPlatformPlugin(firstChoice(rest.substr(0, end)), pluginFolder);
                rest.remove_prefix(std::min(end + 1, rest.size()));
            }
            if (!ready_)
                std::fprintf(stderr,
                             "Kestrune cannot show its windows on the platform \"%.*s\": there is no plugin for it.\n",
                             static_cast<int>(chosen.size()), chosen.data());
            return;
        }
        case DisplayNeed::X:
            held_ = connectX(patience);
            ready_ = held_ != nullptr;
            if (!ready_) {
                std::fprintf(stderr, "Kestrune cannot connect to the X display %.*s.\n",
                             static_cast<int>(display.size()), display.data());
            }
            return;
        case DisplayNeed::Wayland:
            return;
        case DisplayNeed::Missing:
            std::fputs(
                "Kestrune needs a graphical session (X11 or Wayland); "
                "to run it on a virtual display: xvfb-run -a kestrune\n",
                stderr);
            return;
    }
}

DisplayCheck::~DisplayCheck() { release(); }

void DisplayCheck::release() {
    if (held_ != nullptr) xcb_disconnect(held_);
    held_ = nullptr;
}

}  // namespace platform
