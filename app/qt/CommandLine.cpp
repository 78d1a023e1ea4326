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
    for (const char* name : {"platform", "platformpluginpath", "platformtheme", "plugin", "display", "style",
                             "stylesheet", "geometry", "qwindowgeometry", "qwindowicon", "qwindowtitle", "session"}) {
        QCommandLineOption toolkit(QString::fromLatin1(name), QString(), QStringLiteral("value"));
        toolkit.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(toolkit);
    }
    for (const char* name : {"reverse", "widgetcount", "sync", "nograb", "dograb"}) {
        QCommandLineOption toolkit(QString::fromLatin1(name));
        toolkit.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(toolkit);
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
