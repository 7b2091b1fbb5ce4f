#include "program/CommandCalls.h"

#include "app/AppTexts.h"
#include "app/BusService.h"
#include "expiry/ExpiryStore.h"
#include "program/CommandLine.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusError>
#include <QStringDecoder>

namespace fadebin {

namespace {

struct CommandCallTexts {
    Q_DECLARE_TR_FUNCTIONS(CommandCallTexts)
};

void printNotRunning() {
    print(stderr, CommandCallTexts::tr("Fadebin is not running.").toUtf8() + '\n');
}

} // namespace

void print(std::FILE* to, const QByteArray& text) {
    std::fwrite(text.constData(), 1, static_cast<std::size_t>(text.size()), to);
}

void insertPath(QJsonObject& entry, const QString& key, const QByteArray& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8);
    entry.insert(key, QString(utf8.decode(bytes)));
    if (utf8.hasError())
        entry.insert(key + QStringLiteral("Base64"), QString::fromLatin1(bytes.toBase64()));
}

QByteArray printable(const QByteArray& bytes) {
    QByteArray out;
    for (const char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7f)
            out += QByteArray("\\x") + QByteArray::number(u, 16).rightJustified(2, '0');
        else
            out += c;
    }
    return out;
}

// How long a call waits for the running program: FADEBIN_CALL_TIMEOUT seconds when set to a
// positive number (a script that would rather not wait a minute), else a minute.
int callTimeoutMilliseconds() {
    bool ok = false;
    const double seconds = qEnvironmentVariable("FADEBIN_CALL_TIMEOUT").toDouble(&ok);
    return ok && seconds > 0 && seconds < 86'400 ? static_cast<int>(seconds * 1000) : 60'000;
}

Call callRunning(const QString& method, const QVariantList& arguments) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        printNotRunning();
        return {{}, exitNotRunning};
    }
    registerBusTypes();
    QDBusMessage call =
        QDBusMessage::createMethodCall(QStringLiteral("com.ostrel.Fadebin"), BusService::objectPath,
                                       BusService::interfaceName, method);
    call.setArguments(arguments);
    // Never start the program through bus activation just to answer a question.
    call.setAutoStartService(false);
    const QDBusMessage reply = bus.call(call, QDBus::Block, callTimeoutMilliseconds());
    const QString error = reply.errorName();
    if (error == QStringLiteral("org.freedesktop.DBus.Error.ServiceUnknown") ||
        error == QStringLiteral("org.freedesktop.DBus.Error.NameHasNoOwner")) {
        printNotRunning();
        return {reply, exitNotRunning};
    }
    // It runs, and may well finish the work after we stop waiting: say so, not "not running".
    if (error == QStringLiteral("org.freedesktop.DBus.Error.NoReply") ||
        error == QStringLiteral("org.freedesktop.DBus.Error.Timeout")) {
        print(stderr, CommandCallTexts::tr("Fadebin did not answer in time; it may still be doing "
                                           "what was asked.")
                              .toUtf8() +
                          '\n');
        return {reply, exitNoAnswer};
    }
    return {reply, std::nullopt};
}

int failedCall(const QDBusMessage& reply) {
    // The bus says it in English; people read it in their language where it is known.
    const QString message = reply.errorName() == BusService::notSavedError
                                ? ExpiryStore::shownNotSaved(reply.errorMessage())
                                : appTexts::shown(reply.errorMessage());
    print(stderr, "fadebin: " + message.toUtf8() + "\n");
    return reply.errorName() == BusService::notSavedError ? exitNotSaved : exitRefused;
}

} // namespace fadebin
