#include "app/commandline.h"

#include "update/version.h"

#include <QCommandLineParser>
#include <QCoreApplication>

namespace {

// Options of the windowing toolkit, taken here so that they are not refused, and read
// again by the application object from the same arguments.
void acceptToolkitOptions(QCommandLineParser &parser)
{
    for (const char *name : {"platform", "platformpluginpath", "platformtheme", "plugin", "display", "style",
                             "stylesheet", "session", "qwindowgeometry", "qwindowicon", "qwindowtitle",
                             "geometry", "title", "name", "icon", "visual", "dialogs"}) {
        QCommandLineOption option(QString::fromLatin1(name), QString(), QStringLiteral("value"));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
    for (const char *name : {"reverse", "widgetcount", "nograb", "dograb", "sync", "cmap"}) {
        QCommandLineOption option(QString::fromLatin1(name));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
}

} // namespace

QStringList commandLineArguments(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    return arguments;
}

StartOptions parseStartOptions(const QStringList &arguments)
{
    const QString program = arguments.isEmpty() ? QStringLiteral("quillory") : arguments.first();
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(
        QStringLiteral("Looks up, plays and saves songs shared on the karaoke service.\n"
                       "提取、在线播放并下载分享的歌曲。"));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Shows this help and ends."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Shows the program's version and ends."));
    const QCommandLineOption noTags(QStringLiteral("no-tags"),
                                    QStringLiteral("Saves songs as served, without writing their names and picture "
                                                   "into them (the download panel's box starts unticked)."));
    parser.addOption(help);
    parser.addOption(version);
    parser.addOption(noTags);
    acceptToolkitOptions(parser);
    parser.addPositionalArgument(
        QStringLiteral("ADDRESS"),
        QStringLiteral("A song's share-page address: shown in the address box and looked up once the "
                       "start-up version check has unlocked it."),
        QStringLiteral("[ADDRESS]"));

    StartOptions options;
    const auto print = [&](const QString &text, bool toError, int exitCode) {
        options.action = StartOptions::Action::Print;
        options.text = text;
        options.toError = toError;
        options.exitCode = exitCode;
        return options;
    };
    const QString hint = QStringLiteral("\nTry '%1 --help'.\n").arg(program);
    if (!parser.parse(arguments))
        return print(program + QStringLiteral(": ") + parser.errorText() + hint, true, 1);
    if (parser.isSet(help)) {
        // The usage line names the program as it was started.
        QString text = parser.helpText();
        const qsizetype end = text.indexOf(QLatin1Char('\n'));
        text.replace(0, end, QStringLiteral("Usage: %1 [options] [ADDRESS]").arg(program));
        return print(text, false, 0);
    }
    if (parser.isSet(version))
        return print(QStringLiteral("quillory ") + kProgramVersion + QLatin1Char('\n'), false, 0);
    const QStringList positional = parser.positionalArguments();
    if (positional.size() > 1)
        return print(program + QStringLiteral(": only one address can be given") + hint, true, 1);
    if (!positional.isEmpty())
        options.address = positional.first();
    options.writeTags = !parser.isSet(noTags);
    return options;
}
