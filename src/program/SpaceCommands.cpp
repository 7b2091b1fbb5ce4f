#include "program/SpaceCommands.h"

#include "app/BusService.h"
#include "app/DisplayText.h"
#include "notch/NotchTexts.h"
#include "platform/Clock.h"
#include "program/CommandCalls.h"
#include "program/CommandLine.h"

#include <QCommandLineParser>
#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>

namespace fadebin {

namespace {

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
            return QStringLiteral("plan takes no other words");
        if (!parser.isSet(sizeOption))
            return QStringLiteral("plan needs --free SIZE, such as 5G or 500M");
        word = parser.value(sizeOption);
    } else {
        if (rest.size() != 1)
            return QStringLiteral("free needs one SIZE, such as 5G or 500M");
        word = rest.front();
    }
    if (const auto bytes = byteCountFromText(word))
        return *bytes;
    return QStringLiteral("\"%1\" is not a size (such as 5G, 1.5GB or 500M)").arg(word);
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

QByteArray sizeText(qint64 bytes) {
    return byteCountText(bytes, QLocale::c()).toUtf8();
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
        print(stdout, "Fadebin has nothing it may free: none of its files is in the Trash and "
                      "none is scheduled.\n");
        return exitAccepted;
    }
    const Instant now = Clock::system().now();
    QByteArray table = "FROM       SIZE       WHEN                    NAME\n";
    for (const BusFile& step : *steps) {
        const QVariantMap& p = step.properties;
        const Instant at = fromUnixSeconds(p.value(QStringLiteral("at")).toDouble());
        const bool trashed = p.value(QStringLiteral("kind")) == QStringLiteral("trash");
        const QByteArray when =
            trashed ? "trashed " + QDateTime::fromSecsSinceEpoch(std::llround(toUnixSeconds(at)))
                                       .toString(QStringLiteral("yyyy-MM-dd HH:mm"))
                                       .toUtf8()
                    : "expires in " + countdownText(at, now).toUtf8();
        table +=
            QByteArray(trashed ? "Trash" : "Downloads").leftJustified(10) + ' ' +
            sizeText(p.value(QStringLiteral("size")).toLongLong()).leftJustified(10) + ' ' +
            when.leftJustified(23) + ' ' +
            nameOf(trashed ? p.value(QStringLiteral("originalPath")).toByteArray() : step.path) +
            '\n';
    }
    table += "\nTotal: " + sizeText(total) + " of the " + sizeText(bytes) + " asked for\n";
    if (fromTrash > 0)
        table += "  from the Trash, now, with \"fadebin free\": " + sizeText(fromTrash) + '\n';
    if (fromScheduled > 0)
        table += "  as scheduled files expire: " + sizeText(fromScheduled) + '\n';
    if (total < bytes)
        table += "Fadebin has nothing else it may free.\n";
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
        print(stdout,
              "Removed " +
                  nameOf(item.properties.value(QStringLiteral("originalPath")).toByteArray()) +
                  " (" + sizeText(size) + ") from the Trash\n");
    }
    if (freed->isEmpty())
        print(stdout, "None of Fadebin's files is in the Trash: nothing was freed.\n");
    else
        print(stdout, "Freed " + sizeText(total) +
                          (total < bytes ? QByteArray(" (none of Fadebin's files is left in "
                                                      "the Trash)")
                                         : QByteArray()) +
                          ".\n");
    return exitAccepted;
}

} // namespace fadebin
