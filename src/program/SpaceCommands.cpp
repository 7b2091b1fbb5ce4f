#include "program/SpaceCommands.h"

#include "app/BusService.h"
#include "app/DisplayText.h"
#include "notch/NotchTexts.h"
#include "platform/Clock.h"
#include "program/CommandCalls.h"
#include "program/CommandLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>

namespace fadebin {

namespace {

struct SpaceCommandTexts {
    Q_DECLARE_TR_FUNCTIONS(SpaceCommandTexts)
};

// The size asked for, from the words after the subcommand; a usage error's text otherwise.
std::variant<qint64, QString> wantedSize(QCommandLineParser& parser,
                                         const QList<QCommandLineOption>& options,
                                         const QString& sizeOption, int argc, char** argv) {
    QStringList arguments{QStringLiteral("fadebin")};
    for (int i = 2; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    parser.addOptions(options);
    if (!parser.parse(arguments))
        return parser.errorText();
    const QStringList rest = parser.positionalArguments();
    QString word;
    if (!sizeOption.isEmpty()) {
        if (!rest.isEmpty())
            return SpaceCommandTexts::tr("plan takes no other words");
        if (!parser.isSet(sizeOption))
            return SpaceCommandTexts::tr("plan needs --free SIZE, such as 5G or 500M");
        word = parser.value(sizeOption);
    } else {
        if (rest.size() != 1)
            return SpaceCommandTexts::tr("free needs one SIZE, such as 5G or 500M");
        word = rest.front();
    }
    if (const auto bytes = byteCountFromText(word))
        return *bytes;
    return SpaceCommandTexts::tr("\"%1\" is not a size (such as 5G, 1.5GB or 500M)").arg(word);
}

// The answer of Plan or Free; none, with the exit status set, when there is none.
std::optional<BusFiles> ask(const QString& method, qint64 bytes, int& status) {
    const Call call = callRunning(method, {QVariant::fromValue(qlonglong(bytes))});
    if (call.unanswered) {
        status = *call.unanswered;
        return std::nullopt;
    }
    if (call.reply.type() == QDBusMessage::ErrorMessage) {
        status = failedCall(call.reply);
        return std::nullopt;
    }
    return qdbus_cast<BusFiles>(call.reply.arguments().value(0));
}

QString sizeText(qint64 bytes) {
    return byteCountText(bytes);
}

// A column of the plan: as wide in characters as given (a longer text pushes its line along).
QByteArray cell(const QString& text, int width) {
    return text.leftJustified(width).toUtf8() + ' ';
}

// A sentence around a file name, which is bytes (not always UTF-8) and printed as they are.
QByteArray withName(const QString& sentence, const QByteArray& name) {
    return sentence.toUtf8().replace("%1", name);
}

QByteArray nameOf(const QByteArray& path) {
    return printable(path.mid(path.lastIndexOf('/') + 1));
}

QJsonObject stepJson(const BusFile& step) {
    QJsonObject entry;
    for (const char* key : {"kind", "id", "size", "at"})
        entry.insert(QLatin1String(key), QJsonValue::fromVariant(step.properties.value(key)));
    insertPath(entry, QStringLiteral("path"), step.path);
    insertPath(entry, QStringLiteral("originalPath"),
               step.properties.value(QStringLiteral("originalPath")).toByteArray());
    return entry;
}

} // namespace

int planCommand(int argc, char** argv) {
    QCommandLineParser parser;
    const QCommandLineOption json(QStringLiteral("json"));
    const QCommandLineOption free(QStringLiteral("free"), {}, QStringLiteral("size"));
    const auto wanted = wantedSize(parser, {json, free}, free.names().front(), argc, argv);
    if (const auto* error = std::get_if<QString>(&wanted))
        return usageError(*error);
    const qint64 bytes = std::get<qint64>(wanted);
    int status = exitAccepted;
    const std::optional<BusFiles> steps = ask(QStringLiteral("Plan"), bytes, status);
    if (!steps)
        return status;
    qint64 fromTrash = 0;
    qint64 fromScheduled = 0;
    for (const BusFile& step : *steps) {
        const qint64 size = step.properties.value(QStringLiteral("size")).toLongLong();
        (step.properties.value(QStringLiteral("kind")) == QStringLiteral("trash")
             ? fromTrash
             : fromScheduled) += size;
    }
    const qint64 total = fromTrash + fromScheduled;
    if (parser.isSet(json)) {
        QJsonArray entries;
        for (const BusFile& step : *steps)
            entries.append(stepJson(step));
        const QJsonObject out{{QStringLiteral("wanted"), bytes},
                              {QStringLiteral("fromTrash"), fromTrash},
                              {QStringLiteral("fromScheduled"), fromScheduled},
                              {QStringLiteral("total"), total},
                              {QStringLiteral("enough"), total >= bytes},
                              {QStringLiteral("steps"), entries}};
        print(stdout, QJsonDocument(out).toJson(QJsonDocument::Indented));
        return exitAccepted;
    }
    if (steps->isEmpty()) {
        print(stdout, SpaceCommandTexts::tr("Fadebin has nothing it may free: none of its files is "
                                            "in the Trash and none is scheduled.")
                              .toUtf8() +
                          '\n');
        return exitAccepted;
    }
    const Instant now = Clock::system().now();
    QByteArray table =
        SpaceCommandTexts::tr("FROM       SIZE       WHEN                    NAME").toUtf8() + '\n';
    for (const BusFile& step : *steps) {
        const QVariantMap& p = step.properties;
        const Instant at = fromUnixSeconds(p.value(QStringLiteral("at")).toDouble());
        const bool trashed = p.value(QStringLiteral("kind")) == QStringLiteral("trash");
        const QString when =
            trashed ? SpaceCommandTexts::tr("trashed %1")
                          .arg(QDateTime::fromSecsSinceEpoch(std::llround(toUnixSeconds(at)))
                                   .toString(QStringLiteral("yyyy-MM-dd HH:mm")))
                    : SpaceCommandTexts::tr("expires in %1").arg(countdownText(at, now));
        table +=
            cell(trashed ? SpaceCommandTexts::tr("Trash") : SpaceCommandTexts::tr("Downloads"),
                 10) +
            cell(sizeText(p.value(QStringLiteral("size")).toLongLong()), 10) + cell(when, 23) +
            nameOf(trashed ? p.value(QStringLiteral("originalPath")).toByteArray() : step.path) +
            '\n';
    }
    table += '\n' +
             SpaceCommandTexts::tr("Total: %1 of the %2 asked for")
                 .arg(sizeText(total), sizeText(bytes))
                 .toUtf8() +
             '\n';
    if (fromTrash > 0)
        table += SpaceCommandTexts::tr("  from the Trash, now, with \"fadebin free\": %1")
                     .arg(sizeText(fromTrash))
                     .toUtf8() +
                 '\n';
    if (fromScheduled > 0)
        table += SpaceCommandTexts::tr("  as scheduled files expire: %1")
                     .arg(sizeText(fromScheduled))
                     .toUtf8() +
                 '\n';
    if (total < bytes)
        table += SpaceCommandTexts::tr("Fadebin has nothing else it may free.").toUtf8() + '\n';
    print(stdout, table);
    return exitAccepted;
}

int freeCommand(int argc, char** argv) {
    QCommandLineParser parser;
    const auto wanted = wantedSize(parser, {}, {}, argc, argv);
    if (const auto* error = std::get_if<QString>(&wanted))
        return usageError(*error);
    const qint64 bytes = std::get<qint64>(wanted);
    int status = exitAccepted;
    const std::optional<BusFiles> freed = ask(QStringLiteral("Free"), bytes, status);
    if (!freed)
        return status;
    qint64 total = 0;
    for (const BusFile& item : *freed) {
        const qint64 size = item.properties.value(QStringLiteral("size")).toLongLong();
        total += size;
        // The size goes in first: the name is bytes, put in last and never read again.
        print(
            stdout,
            withName(SpaceCommandTexts::tr("Removed %1 (%2) from the Trash")
                         .replace(QLatin1String("%2"), sizeText(size)),
                     nameOf(item.properties.value(QStringLiteral("originalPath")).toByteArray())) +
                '\n');
    }
    if (freed->isEmpty())
        print(stdout,
              SpaceCommandTexts::tr("None of Fadebin's files is in the Trash: nothing was freed.")
                      .toUtf8() +
                  '\n');
    else
        print(stdout, (total < bytes ? SpaceCommandTexts::tr("Freed %1 (none of Fadebin's files "
                                                             "is left in the Trash).")
                                     : SpaceCommandTexts::tr("Freed %1."))
                              .arg(sizeText(total))
                              .toUtf8() +
                          '\n');
    return exitAccepted;
}

} // namespace fadebin
