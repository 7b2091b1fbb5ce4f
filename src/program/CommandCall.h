#pragma once

#include <QByteArray>
#include <QDBusMessage>
#include <QString>
#include <QVariantList>

#include <cstdio>
#include <optional>

// What the subcommands share (CommandLine.cpp): output, usage errors and calls to the
// running program.
namespace fadebin {

void print(std::FILE* to, const QByteArray& text);
// Says what was not understood, then the usage; returns exitUsage.
int usageError(const QString& message);

struct Call {
    QDBusMessage reply;
    // The exit status when no answer came: nobody runs, or the one that runs took too long.
    std::optional<int> unanswered;
};
Call callRunning(const QString& method, const QVariantList& arguments);
// Says the error the program answered with; returns its exit status.
int failedCall(const QDBusMessage& reply);

// fadebin rules list [--json] | add … | remove N (RulesCommand.cpp).
int rulesCommand(int argc, char** argv);

} // namespace fadebin
