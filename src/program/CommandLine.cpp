#include "program/CommandLine.h"
#include "program/CommandCalls.h"
#include "program/CommandWords.h"
#include "program/RulesCommand.h"
#include "program/SpaceCommands.h"

#include "app/AppModel.h"
#include "app/AppTexts.h"
#include "app/BusService.h"
#include "app/DisplayText.h"
#include "notch/NotchTexts.h"
#include "platform/Clock.h"
#include "platform/DownloadsFolder.h"
#include "platform/Translations.h"
#include "platform/Version.h"
#include "settings/ExpiryOption.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDBusServiceWatcher>
#include <QDateTime>
#include <QDir>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringConverter>

#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <string_view>

namespace fadebin {

namespace {

struct CommandLineTexts {
    Q_DECLARE_TR_FUNCTIONS(CommandLineTexts)
};

// What people read is in their language; what scripts read (--json, the commands and their
// words) never changes with it.
QByteArray usageText() {
    return CommandLineTexts::tr(
               "Usage: fadebin [--help] [--version]\n"
               "       fadebin list [--json]\n"
               "       fadebin expire --in 10s|30s|30m|1h|1d|10d FILE...\n"
               "       fadebin keep FILE...\n"
               "       fadebin delete-now FILE...\n"
               "       fadebin restore [--last | FILE...]\n"
               "       fadebin quit\n"
               "       fadebin show\n"
               "       fadebin plan --free SIZE [--json]\n"
               "       fadebin free SIZE\n"
               "       fadebin rules list [--json]\n"
               "       fadebin rules add [--host HOST] [--kind KIND] [--ext EXT] --choice CHOICE\n"
               "       fadebin rules remove N\n")
        .toUtf8();
}

// The application object a command needs for its language (and the bus): made once the words
// are known to be a command, so that a plain start makes its own.
class CommandApplication {
public:
    CommandApplication(int& argc, char** argv)
        : m_app(argc, argv) {
        installTranslations();
    }

private:
    QCoreApplication m_app;
};

} // namespace

int usageError(const QString& message) {
    print(stderr, "fadebin: " + message.toUtf8() + "\n" + usageText());
    return exitUsage;
}

namespace {

// A word that cannot name a file in Downloads: nothing is sent for it, and nothing else is
// done either (the current folder by an empty word or ".", Downloads itself or above).
std::optional<QString> namesNoItem(const QByteArray& file, const QByteArray& absolute,
                                   const DownloadsFolder& downloads) {
    if (file.isEmpty())
        return CommandLineTexts::tr("an empty word is not a file name");
    QByteArray trimmed = file;
    while (trimmed.size() > 1 && trimmed.endsWith('/'))
        trimmed.chop(1);
    const QByteArray last = trimmed.mid(trimmed.lastIndexOf('/') + 1);
    if (last == "." || last == "..")
        return CommandLineTexts::tr("\"%1\" names a folder by \".\" or \"..\", not a file")
            .arg(QString::fromLocal8Bit(printable(file)));
    const auto admitted = downloads.admit(absolute.toStdString());
    if (const auto* refusal = std::get_if<PathRefusal>(&admitted);
        refusal && *refusal == PathRefusal::downloadsOrAbove)
        return CommandLineTexts::tr("\"%1\" is Downloads itself or a folder that holds it")
            .arg(QString::fromLocal8Bit(printable(file)));
    return std::nullopt;
}

// The subcommand's words: options checked by the parser, files kept as the bytes given.
struct Words {
    QCommandLineParser parser;
    QList<QByteArray> files; // as typed, for messages
    QList<QByteArray> paths; // absolute, for the running program
};

std::optional<QString> parseWords(Words& words, const QList<QCommandLineOption>& options, int argc,
                                  char** argv) {
    QStringList arguments{QStringLiteral("fadebin")};
    for (int i = 2; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    words.parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsOptions);
    words.parser.addOptions(options);
    if (!words.parser.parse(arguments))
        return words.parser.errorText();
    // The same walk over the raw bytes, so that a name that is not UTF-8 is not mangled.
    bool onlyFiles = false;
    for (int i = 2; i < argc; ++i) {
        const std::string_view word(argv[i]);
        if (!onlyFiles && word == "--") {
            onlyFiles = true;
            continue;
        }
        if (!onlyFiles && word.size() > 1 && word.front() == '-') {
            if (word == "--in")
                ++i; // its value
            continue;
        }
        words.files.append(QByteArray(argv[i]));
    }
    if (words.files.size() != words.parser.positionalArguments().size())
        return CommandLineTexts::tr("could not read the file names");
    const QByteArray here = QDir::currentPath().toLocal8Bit();
    const DownloadsFolder downloads(AppModel::defaultDownloadsFolder());
    for (const QByteArray& file : words.files) {
        const QByteArray absolute = absoluteWord(file, here);
        if (const auto problem = namesNoItem(file, absolute, downloads))
            return *problem;
        words.paths.append(absolute);
    }
    return std::nullopt;
}

int reportRefusals(const Words& words, const BusRefusals& refused) {
    for (const BusRefusal& refusal : refused) {
        // Name the file as the user typed it.
        const qsizetype at = words.paths.indexOf(refusal.path);
        const QByteArray name = at >= 0 ? words.files.at(at) : refusal.path;
        print(stderr, printable(name) + ": " + appTexts::shown(refusal.reason).toUtf8() + "\n");
    }
    return refused.isEmpty() ? exitAccepted : exitRefused;
}

int changeFiles(const QString& method, const Words& words, QVariantList extra = {}) {
    if (words.paths.isEmpty())
        return usageError(CommandLineTexts::tr("no files given"));
    QVariantList arguments{QVariant::fromValue(words.paths)};
    arguments.append(extra);
    const Call call = callRunning(method, arguments);
    if (call.unanswered)
        return *call.unanswered;
    if (call.reply.type() == QDBusMessage::ErrorMessage)
        return failedCall(call.reply);
    return reportRefusals(words, qdbus_cast<BusRefusals>(call.reply.arguments().value(0)));
}

// A record's status as people read it; --json and the bus keep the raw word.
QString statusWord(const QString& status) {
    if (status == QLatin1String("pending"))
        return CommandLineTexts::tr("pending");
    if (status == QLatin1String("scheduled"))
        return CommandLineTexts::tr("scheduled");
    if (status == QLatin1String("kept"))
        return CommandLineTexts::tr("kept");
    return status;
}

QString timeLeft(const QVariantMap& properties, Instant now) {
    if (properties.value(QStringLiteral("status")) != QStringLiteral("scheduled") ||
        !properties.contains(QStringLiteral("expiresAt")))
        return QStringLiteral("-");
    return countdownText(fromUnixSeconds(properties.value(QStringLiteral("expiresAt")).toDouble()),
                         now);
}

int list(const Words& words) {
    const Call call = callRunning(QStringLiteral("List"), {});
    if (call.unanswered)
        return *call.unanswered;
    if (call.reply.type() == QDBusMessage::ErrorMessage)
        return failedCall(call.reply);
    const BusFiles files = qdbus_cast<BusFiles>(call.reply.arguments().value(0));
    const Instant now = Clock::system().now();
    if (words.parser.isSet(QStringLiteral("json"))) {
        QJsonArray out;
        for (const BusFile& file : files) {
            QJsonObject entry = QJsonObject::fromVariantMap(file.properties);
            insertPath(entry, QStringLiteral("path"), file.path);
            for (const QString& key : {QStringLiteral("expiresAt"), QStringLiteral("source")})
                if (!entry.contains(key))
                    entry.insert(key, QJsonValue::Null);
            out.append(entry);
        }
        print(stdout, QJsonDocument(out).toJson(QJsonDocument::Indented));
        return exitAccepted;
    }
    // Columns as wide as their English heads; a longer word pushes its line along.
    const QLocale locale;
    QByteArray table = CommandLineTexts::tr("STATUS     LEFT     SIZE       NAME").toUtf8() + '\n';
    // Per status, in the order listed: how many and how large.
    std::vector<std::tuple<QString, int, qint64>> totals;
    for (const BusFile& file : files) {
        const QVariantMap& p = file.properties;
        const QString status = p.value(QStringLiteral("status")).toString();
        const qint64 size = p.value(QStringLiteral("size")).toLongLong();
        if (totals.empty() || std::get<0>(totals.back()) != status)
            totals.emplace_back(status, 0, 0);
        std::get<1>(totals.back()) += 1;
        std::get<2>(totals.back()) += size;
        table += statusWord(status).toUtf8().leftJustified(10) + ' ' +
                 timeLeft(p, now).toUtf8().leftJustified(8) + ' ' +
                 byteCountText(size, locale).toUtf8().leftJustified(10) + ' ' +
                 printable(file.path.mid(file.path.lastIndexOf('/') + 1)) + '\n';
    }
    QStringList parts;
    for (const auto& [status, count, bytes] : totals)
        parts << CommandLineTexts::tr("%1 %2 (%3)", "status, count, size")
                     .arg(statusWord(status))
                     .arg(count)
                     .arg(byteCountText(bytes, locale));
    if (!parts.isEmpty())
        table += '\n' +
                 CommandLineTexts::tr("Total: %1").arg(parts.join(QStringLiteral(", "))).toUtf8() +
                 '\n';
    print(stdout, table);
    return exitAccepted;
}

int restore(const Words& words, bool last) {
    if (last && !words.paths.isEmpty())
        return usageError(CommandLineTexts::tr("restore --last takes no files"));
    const Call call =
        last ? callRunning(QStringLiteral("UndoLastSweep"), {})
             : callRunning(QStringLiteral("Restore"), {QVariant::fromValue(words.paths)});
    if (call.unanswered)
        return *call.unanswered;
    if (call.reply.type() == QDBusMessage::ErrorMessage)
        return failedCall(call.reply);
    const auto outcome = qdbus_cast<BusRestored>(call.reply.arguments().value(0));
    for (const QByteArray& restored : outcome.restored)
        print(stdout,
              CommandLineTexts::tr("Restored %1").toUtf8().replace("%1", printable(restored)) +
                  "\n");
    const BusRefusals& refused = outcome.refused;
    if (last) {
        for (const BusRefusal& refusal : refused)
            print(stderr,
                  (refusal.path.isEmpty() ? QByteArray("fadebin") : printable(refusal.path)) +
                      ": " + appTexts::shown(refusal.reason).toUtf8() + "\n");
        return refused.isEmpty() ? exitAccepted : exitRefused;
    }
    if (words.paths.isEmpty() && !refused.isEmpty()) {
        print(stderr, "fadebin: " + appTexts::shown(refused.front().reason).toUtf8() + "\n");
        return exitRefused;
    }
    return reportRefusals(words, refused);
}

// Asks the running program to quit and waits until it has ended (its bus name is gone), so
// that a start right after finds it gone.
int quit(int argc) {
    if (argc > 2)
        return usageError(CommandLineTexts::tr("quit takes no arguments"));
    QDBusConnection bus = QDBusConnection::sessionBus();
    QEventLoop loop;
    // Watching before asking: the name may go before the answer is read.
    const QDBusServiceWatcher watcher(QStringLiteral("com.ostrel.Fadebin"), bus,
                                      QDBusServiceWatcher::WatchForUnregistration);
    QObject::connect(&watcher, &QDBusServiceWatcher::serviceUnregistered, &loop, &QEventLoop::quit);
    const Call call = callRunning(QStringLiteral("Quit"), {});
    if (call.unanswered)
        return *call.unanswered;
    if (call.reply.type() == QDBusMessage::ErrorMessage)
        return failedCall(call.reply);
    const TimerHandle deadline = Clock::system().singleShot(
        std::chrono::milliseconds(callTimeoutMilliseconds()), [&loop] { loop.exit(1); });
    if (bus.interface()->isServiceRegistered(QStringLiteral("com.ostrel.Fadebin")) &&
        loop.exec() != 0) {
        print(stderr,
              CommandLineTexts::tr("Fadebin was asked to quit but has not ended yet.").toUtf8() +
                  '\n');
        return exitNoAnswer;
    }
    return exitAccepted;
}

// Opens the running program's notch with the keyboard in it.
int show(int argc) {
    if (argc > 2)
        return usageError(CommandLineTexts::tr("show takes no arguments"));
    const Call call = callRunning(QStringLiteral("Show"), {});
    if (call.unanswered)
        return *call.unanswered;
    return call.reply.type() == QDBusMessage::ErrorMessage ? failedCall(call.reply) : exitAccepted;
}

int runSubcommand(std::string_view name, int argc, char** argv) {
    const CommandApplication app(argc, argv);
    if (name == "quit")
        return quit(argc);
    if (name == "show")
        return show(argc);
    if (name == "plan")
        return planCommand(argc, argv);
    if (name == "free")
        return freeCommand(argc, argv);
    if (name == "rules")
        return rulesCommand(argc, argv);
    const QCommandLineOption json(QStringLiteral("json"));
    const QCommandLineOption in(QStringLiteral("in"), {}, QStringLiteral("duration"));
    const QCommandLineOption last(QStringLiteral("last"));
    Words words;
    QList<QCommandLineOption> options;
    if (name == "list")
        options = {json};
    else if (name == "expire")
        options = {in};
    else if (name == "restore")
        options = {last};
    if (const auto error = parseWords(words, options, argc, argv))
        return usageError(*error);
    if (name == "list") {
        if (!words.files.isEmpty())
            return usageError(CommandLineTexts::tr("list takes no files"));
        return list(words);
    }
    if (name == "expire") {
        if (!words.parser.isSet(in))
            return usageError(
                CommandLineTexts::tr("expire needs --in 10s, 30s, 30m, 1h, 1d or 10d"));
        // Checked here: a word the program would refuse for every file asks it nothing.
        const QString wanted = words.parser.value(in);
        const std::optional<ExpiryOption> option = optionFromWord(wanted);
        if (!option)
            return usageError(CommandLineTexts::tr("unknown duration \"%1\" for --in").arg(wanted));
        return changeFiles(QStringLiteral("SetExpiry"), words, {rawValue(*option)});
    }
    if (name == "keep")
        return changeFiles(QStringLiteral("Keep"), words);
    if (name == "delete-now")
        return changeFiles(QStringLiteral("DeleteNow"), words);
    return restore(words, words.parser.isSet(last));
}

} // namespace

std::optional<int> handleCommandLine(int argc, char** argv) {
    if (argc < 2)
        return std::nullopt;
    const std::string_view first(argv[1]);
    for (const std::string_view command : {"list", "expire", "keep", "delete-now", "restore",
                                           "quit", "show", "plan", "free", "rules"})
        if (first == command)
            return runSubcommand(command, argc, argv);

    QCommandLineParser parser;
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  CommandLineTexts::tr("Show this help."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     CommandLineTexts::tr("Show the version."));
    parser.addOptions({help, version});
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    const bool parsed = parser.parse(arguments);
    if (parsed && parser.positionalArguments().isEmpty() && !parser.isSet(help) &&
        !parser.isSet(version))
        return std::nullopt;
    const CommandApplication app(argc, argv);
    if (!parsed)
        return usageError(parser.errorText());
    if (!parser.positionalArguments().isEmpty())
        return usageError(CommandLineTexts::tr("unknown command \"%1\"")
                              .arg(parser.positionalArguments().constFirst()));
    if (parser.isSet(help)) {
        print(stdout, CommandLineTexts::tr("Fadebin gives every new download an expiry.").toUtf8() +
                          "\n\n" + usageText() + '\n' +
                          CommandLineTexts::tr("Run without arguments to start Fadebin; run it "
                                               "again to open its settings.")
                              .toUtf8() +
                          '\n');
        return exitAccepted;
    }
    if (parser.isSet(version)) {
        print(stdout, "Fadebin " + appVersionString().toUtf8() + "\n");
        return exitAccepted;
    }
    return std::nullopt;
}

} // namespace fadebin
