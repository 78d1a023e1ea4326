#include "app/qt/CommandLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>

namespace kestrune {

CommandLine parseCommandLine(int argc, char** argv) {
    QStringList args;
    for (int i = 0; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);

    QCoreApplication::setApplicationName(QStringLiteral("kestrune"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KESTRUNE_VERSION));
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Kestrune shows how the computer's memory is used and "
                       "recovers or scrubs memory, now or on a schedule, and trims the memory of idle "
                       "applications."));
    // Qt's own options keep their single dash: -platform offscreen.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption minimized(QStringLiteral("minimized"),
                                       QStringLiteral("Start in the system tray, where there is one."));
    parser.addOption(minimized);
    const QCommandLineOption recover(QStringLiteral("recover"),
                                     QStringLiteral("Run Recover Memory at once; exit when its result is closed."));
    parser.addOption(recover);
    const QCommandLineOption scrub(QStringLiteral("scrub"),
                                   QStringLiteral("Run Scrub Memory at once; exit when its window is closed. "
                                                  "With --recover, the scrub runs first."));
    parser.addOption(scrub);
    const QCommandLineOption trim(QStringLiteral("trim"),
                                  QStringLiteral("Trim the applications idle for 5 minutes, print the result and "
                                                 "exit. No window opens and no display is needed."));
    parser.addOption(trim);
    const QCommandLineOption trimAll(QStringLiteral("trim-all"),
                                     QStringLiteral("Trim every application of the session but Kestrune, print the "
                                                    "result and exit. No window opens and no display is needed."));
    parser.addOption(trimAll);
    // Qt's own options, which the toolkit takes itself: listed by --help-all only.
    struct ToolkitOption {
        const char* name;
        const char* value;  // none: a switch
        const char* what;
    };
    static constexpr ToolkitOption toolkit[] = {
        {"platform", "name", "The window system plugin: xcb, wayland, offscreen, …"},
        {"platformpluginpath", "path", "Where to look for window system plugins."},
        {"platformtheme", "name", "The desktop's theme plugin (qt6ct, gtk3, …), for its font, style and colours."},
        {"plugin", "name", "An input plugin to load as well."},
        {"display", "display", "The X display to show the windows on."},
        {"style", "style", "The widget style: Fusion, Windows, or one installed on the desktop."},
        {"stylesheet", "file", "A Qt style sheet to draw the widgets with."},
        {"geometry", "geometry", "The first window's size and place, as WxH+X+Y."},
        {"qwindowgeometry", "geometry", "The same as -geometry."},
        {"qwindowicon", "file", "The windows' icon."},
        {"qwindowtitle", "title", "The first window's title."},
        {"session", "id", "The session to restore."},
        {"reverse", nullptr, "Lay the windows out from right to left."},
        {"widgetcount", nullptr, "Say at exit how many widgets were left undestroyed."},
        {"sync", nullptr, "Talk to the X server synchronously, for debugging."},
        {"nograb", nullptr, "Never grab the mouse or the keyboard."},
        {"dograb", nullptr, "Grab the mouse and keyboard even under a debugger."},
    };
    const bool helpAll = args.contains(QStringLiteral("--help-all")) || args.contains(QStringLiteral("-help-all"));
    for (const ToolkitOption& o : toolkit) {
        QCommandLineOption option(QString::fromLatin1(o.name), QString::fromUtf8(o.what),
                                  o.value != nullptr ? QString::fromLatin1(o.value) : QString());
        if (!helpAll) option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }

    CommandLine out;
    if (!parser.parse(args)) {
        out.action = CommandLine::Action::Error;
        out.text = "kestrune: " + parser.errorText().toStdString();
        return out;
    }
    if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all"))) {
        out.action = CommandLine::Action::Help;
        // Without an application object the parser cannot name the program.
        out.text =
            parser.helpText().replace(QStringLiteral("<executable_name>"), QStringLiteral("kestrune")).toStdString();
    } else if (parser.isSet(version)) {
        out.action = CommandLine::Action::Version;
        out.text = "Kestrune " KESTRUNE_VERSION;
    } else if (!parser.positionalArguments().isEmpty()) {
        out.action = CommandLine::Action::Error;
        out.text = "kestrune: unexpected argument '" + parser.positionalArguments().first().toStdString() + "'";
    } else if (parser.isSet(trim) || parser.isSet(trimAll)) {
        const bool both = parser.isSet(trim) && parser.isSet(trimAll);
        const char* name = parser.isSet(trim) ? "--trim" : "--trim-all";
        const char* window = parser.isSet(minimized) ? "--minimized"
                             : parser.isSet(recover) ? "--recover"
                             : parser.isSet(scrub)   ? "--scrub"
                                                     : nullptr;
        if (both) {
            out.action = CommandLine::Action::Error;
            out.text = "kestrune: --trim and --trim-all cannot be used together";
        } else if (window != nullptr) {
            out.action = CommandLine::Action::Error;
            out.text = std::string("kestrune: ") + name + " runs without a window and cannot be used with " + window;
        } else {
            out.action = parser.isSet(trim) ? CommandLine::Action::Trim : CommandLine::Action::TrimAll;
        }
    }
    out.minimized = parser.isSet(minimized);
    out.recover = parser.isSet(recover);
    out.scrub = parser.isSet(scrub);
    return out;
}

}  // namespace kestrune
