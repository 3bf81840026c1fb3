#include "options.h"

#include "update/version.h"

#include <QCommandLineParser>
#include <QFileInfo>

#include <algorithm>

namespace {

const QString kDescription = QStringLiteral(
    "Looks up, saves and lists songs shared on the karaoke service, without a window.\n"
    "\n"
    "Commands:\n"
    "  info URL     the song of a share page: names, counts, media and MV addresses\n"
    "  get URL      saves the song (a video work as its MP4) as \"<song> - <singer>.mp3\"\n"
    "  works URL    lists the works of a singer's home page; --save or --pick saves them\n"
    "  mv URL       prints the song's MV player address; -o writes the video.htm line");

const QString kEpilogue = QStringLiteral(
    "\n"
    "Songs go to the XDG music folder unless -o names a folder or a file.\n"
    "The maker's version file is not asked unless --check-version is given; with it, a\n"
    "failed check or another version ends the run with status 1.\n"
    "\n"
    "Exit status: 0 done; 1 the service failed (a page, a work or a transfer), the page\n"
    "names no song, or a work of the queue failed; 2 bad usage or a refused address;\n"
    "130 interrupted (Ctrl+C), 143 terminated. The partial file of an unfinished\n"
    "transfer is removed.\n");

struct CommandName {
    const char *name;
    CliOptions::Command command;
};
constexpr CommandName kCommands[] = {
    {"info", CliOptions::Command::Info},
    {"get", CliOptions::Command::Get},
    {"works", CliOptions::Command::Works},
    {"mv", CliOptions::Command::Mv},
};

} // namespace

std::optional<QList<int>> parsePickList(const QString &text)
{
    QList<int> numbers;
    for (const QString &item : text.split(QLatin1Char(','))) {
        const QStringList ends = item.trimmed().split(QLatin1Char('-'));
        if (ends.size() > 2)
            return std::nullopt;
        bool firstOk = false, lastOk = false;
        const int first = ends.first().trimmed().toInt(&firstOk);
        const int last = ends.size() == 2 ? ends.last().trimmed().toInt(&lastOk) : first;
        if (ends.size() == 1)
            lastOk = firstOk;
        // A singer page lists at most 32766 works; a larger number names none of them.
        if (!firstOk || !lastOk || first < 1 || last < first || last > 32766)
            return std::nullopt;
        for (int n = first; n <= last; ++n)
            numbers.append(n);
    }
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    return numbers;
}

std::optional<qint64> parseRate(const QString &text)
{
    QString number = text.trimmed();
    double unit = 1;
    if (number.endsWith(QLatin1Char('k'), Qt::CaseInsensitive))
        unit = 1024;
    else if (number.endsWith(QLatin1Char('m'), Qt::CaseInsensitive))
        unit = 1024 * 1024;
    if (unit > 1)
        number.chop(1);
    // Digits with a decimal point at most: no sign, exponent or blank.
    if (number.isEmpty() || number.contains(QLatin1Char(' '))
        || !std::all_of(number.cbegin(), number.cend(), [](QChar c) { return c.isDigit() || c == QLatin1Char('.'); }))
        return std::nullopt;
    bool ok = false;
    const double bytes = number.toDouble(&ok) * unit;
    if (!ok || bytes < 1 || bytes > 1e15)
        return std::nullopt;
    return qint64(bytes);
}

CliOptions parseCliOptions(const QStringList &arguments)
{
    const QString program =
        arguments.isEmpty() ? QStringLiteral("quillory-cli") : QFileInfo(arguments.first()).fileName();
    QCommandLineParser parser;
    parser.setApplicationDescription(kDescription);
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Shows this help and ends."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Shows the program's version and ends."));
    const QCommandLineOption json(QStringLiteral("json"),
                                  QStringLiteral("info, works: prints JSON instead of lines of text."));
    const QCommandLineOption output({QStringLiteral("o"), QStringLiteral("output")},
                                    QStringLiteral("get: the file, or a folder for the default name; works: the "
                                                   "folder of the saved works; mv: the file of the MV page."),
                                    QStringLiteral("PATH"));
    const QCommandLineOption quiet({QStringLiteral("q"), QStringLiteral("quiet")},
                                   QStringLiteral("No progress, notes or saved path; errors still show."));
    const QCommandLineOption save(QStringLiteral("save"), QStringLiteral("works: saves every work of the list."));
    const QCommandLineOption pick(QStringLiteral("pick"),
                                  QStringLiteral("works: saves the works of these list numbers, e.g. 1,4-9."),
                                  QStringLiteral("LIST"));
    const QCommandLineOption checkVersion(
        QStringLiteral("check-version"),
        QStringLiteral("Asks the maker's version file first, as the window does at start."));
    const QCommandLineOption jobs(QStringLiteral("jobs"),
                                  QStringLiteral("works: how many works are saved at once, 1 to 8 (default 3)."),
                                  QStringLiteral("N"));
    const QCommandLineOption noTags(QStringLiteral("no-tags"),
                                    QStringLiteral("get, works: saves the files as served, without writing the "
                                                   "song's names, description and picture into them."));
    const QCommandLineOption limitRate(QStringLiteral("limit-rate"),
                                       QStringLiteral("get, works: reads at most RATE bytes a second, all transfers "
                                                      "together; k and M multiply by 1024 and 1024², e.g. 200k."),
                                       QStringLiteral("RATE"));
    parser.addOptions({help, version, json, output, quiet, save, pick, jobs, noTags, limitRate, checkVersion});
    parser.addPositionalArgument(QStringLiteral("COMMAND"), QStringLiteral("info, get, works or mv."));
    parser.addPositionalArgument(QStringLiteral("URL"),
                                 QStringLiteral("A song's share-page address (works: a singer's home page)."));

    CliOptions options;
    const auto print = [&](const QString &text, bool toError, int exitCode) {
        options.printOnly = true;
        options.text = text;
        options.toError = toError;
        options.exitCode = exitCode;
        return options;
    };
    const auto usageError = [&](const QString &message) {
        return print(QStringLiteral("%1: %2\nTry '%1 --help'.\n").arg(program, message), true, 2);
    };

    if (!parser.parse(arguments))
        return usageError(parser.errorText());
    if (parser.isSet(help)) {
        QString text = parser.helpText();
        text.replace(0, text.indexOf(QLatin1Char('\n')),
                     QStringLiteral("Usage: %1 [options] COMMAND URL").arg(program));
        return print(text + kEpilogue, false, 0);
    }
    if (parser.isSet(version))
        return print(QStringLiteral("quillory-cli ") + kProgramVersion + QLatin1Char('\n'), false, 0);

    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty())
        return usageError(QStringLiteral("no command given"));
    const auto known = std::find_if(std::begin(kCommands), std::end(kCommands), [&](const CommandName &c) {
        return positional.first() == QLatin1String(c.name);
    });
    if (known == std::end(kCommands))
        return usageError(QStringLiteral("unknown command '%1'").arg(positional.first()));
    options.command = known->command;
    if (positional.size() < 2)
        return usageError(QStringLiteral("%1 needs an address").arg(positional.first()));
    if (positional.size() > 2)
        return usageError(QStringLiteral("only one address can be given"));
    options.address = positional.at(1);

    using Command = CliOptions::Command;
    const bool works = options.command == Command::Works;
    options.json = parser.isSet(json);
    options.quiet = parser.isSet(quiet);
    options.checkVersion = parser.isSet(checkVersion);
    options.save = parser.isSet(save) || parser.isSet(pick);
    options.output = parser.value(output);
    if (options.json && options.command != Command::Info && !works)
        return usageError(QStringLiteral("--json is for info and works"));
    if (options.save && !works)
        return usageError(QStringLiteral("--save and --pick are for works"));
    if (parser.isSet(output) && (options.command == Command::Info || (works && !options.save)))
        return usageError(QStringLiteral("-o is for get, mv and works with --save or --pick"));
    if (parser.isSet(output) && options.output.isEmpty())
        return usageError(QStringLiteral("-o needs a path"));
    options.writeTags = !parser.isSet(noTags);
    if (parser.isSet(jobs)) {
        bool number = false;
        options.jobs = parser.value(jobs).toInt(&number);
        if (!number || options.jobs < 1 || options.jobs > 8)
            return usageError(QStringLiteral("--jobs takes a number from 1 to 8, not '%1'").arg(parser.value(jobs)));
        if (!options.save)
            return usageError(QStringLiteral("--jobs is for works with --save or --pick"));
    }
    if (parser.isSet(limitRate)) {
        const auto rate = parseRate(parser.value(limitRate));
        if (!rate)
            return usageError(QStringLiteral("--limit-rate takes bytes a second like 200k or 1.5M, not '%1'")
                                  .arg(parser.value(limitRate)));
        if (options.command != Command::Get && !options.save)
            return usageError(QStringLiteral("--limit-rate is for get, and works with --save or --pick"));
        options.limitRate = *rate;
    }
    if (parser.isSet(pick)) {
        const auto numbers = parsePickList(parser.value(pick));
        if (!numbers)
            return usageError(QStringLiteral("--pick takes list numbers like 1,4-9, not '%1'").arg(parser.value(pick)));
        options.pick = *numbers;
    }
    return options;
}
