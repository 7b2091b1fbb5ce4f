#pragma once

#include <QByteArray>
#include <QDBusMessage>
#include <QJsonObject>
#include <QString>
#include <QVariantList>

#include <cstdio>
#include <optional>

// What every subcommand that talks to the running program shares.
namespace fadebin {

void print(std::FILE* to, const QByteArray& text);
// The message and the usage on standard error; the usage exit status.
int usageError(const QString& message);
// Control characters shown escaped, so that a file name cannot forge lines of the output.
[[nodiscard]] QByteArray printable(const QByteArray& bytes);

// A path into a JSON object: as text, and when it is not UTF-8 also as its exact bytes
// (key + "Base64"), since JSON holds only text.
void insertPath(QJsonObject& entry, const QString& key, const QByteArray& bytes);

struct Call {
    QDBusMessage reply;
    // The exit status when no answer came: nobody runs, or the one that runs took too long.
    std::optional<int> unanswered;
};
// Calls a method of the running program and waits for the answer (never starting it).
[[nodiscard]] Call callRunning(const QString& method, const QVariantList& arguments);
[[nodiscard]] int callTimeoutMilliseconds();
// Says a bus error on standard error; its exit status.
int failedCall(const QDBusMessage& reply);

} // namespace fadebin
