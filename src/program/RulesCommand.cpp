// fadebin rules: the running program's rules listed, added and removed over the bus.
#include "program/RulesCommand.h"
#include "program/CommandCalls.h"
#include "program/CommandLine.h"

#include "app/BusService.h"
#include "settings/Rule.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <string_view>

namespace fadebin {

namespace {

struct RulesCommandTexts {
    Q_DECLARE_TR_FUNCTIONS(RulesCommandTexts)
};

// The program's answer, or the exit status when there is none to use.
std::optional<int> failed(const Call& call) {
    if (call.unanswered)
        return call.unanswered;
    if (call.reply.type() == QDBusMessage::ErrorMessage)
        return failedCall(call.reply);
    return std::nullopt;
}

int listRules(bool json) {
    const Call call = callRunning(QStringLiteral("ListRules"), {});
    if (const auto status = failed(call))
        return *status;
    const auto listed = qdbus_cast<BusRules>(call.reply.arguments().value(0));
    if (json) {
        QJsonArray out;
        for (const QVariantMap& rule : listed)
            out.append(QJsonObject::fromVariantMap(rule));
        print(stdout, QJsonDocument(out).toJson(QJsonDocument::Indented));
        return exitAccepted;
    }
    // Read back through the rules' own reader: only what it accepts is shown.
    // The kind stays the word --kind takes; the choice is the label people read.
    QByteArray table =
        RulesCommandTexts::tr("N    HOST                           KIND          EXT       CHOICE")
            .toUtf8() +
        '\n';
    int number = 0;
    for (const QVariantMap& entry : listed) {
        ++number;
        const std::optional<Rule> rule = ruleFromJson(QJsonObject::fromVariantMap(entry)).rule;
        if (!rule)
            continue;
        const auto cell = [](const QString& text, int width) {
            return (text.isEmpty() ? QStringLiteral("-") : text).leftJustified(width).toUtf8() +
                   ' ';
        };
        table += cell(QString::number(number), 4) + cell(hostText(*rule), 30) +
                 cell(rule->kind ? rawValue(*rule->kind) : QString(), 13) +
                 cell(rule->extension, 9) + label(rule->choice).toUtf8() + '\n';
    }
    print(stdout, table);
    return exitAccepted;
}

int addRule(const QCommandLineParser& parser) {
    const auto word = [&parser](const char* name) {
        return parser.value(QString::fromLatin1(name));
    };
    if (!parser.isSet(QStringLiteral("choice")))
        return usageError(RulesCommandTexts::tr("rules add needs --choice (10s, 30s, 30m, 1h, 1d, "
                                                "10d or keep)"));
    // Checked here as the program checks it: a rule it would refuse asks it nothing.
    const RuleReading reading =
        ruleFromWords(word("host"), word("kind"), word("ext"), word("choice"));
    if (!reading.rule)
        return usageError(
            RulesCommandTexts::tr("rule refused: %1").arg(shownRuleProblem(reading.problem)));
    const Call call =
        callRunning(QStringLiteral("AddRule"),
                    {word("host"), word("kind"), word("ext"), rawValue(reading.rule->choice)});
    if (const auto status = failed(call))
        return *status;
    print(stdout, RulesCommandTexts::tr("Added rule %1")
                          .arg(call.reply.arguments().value(0).toUInt())
                          .toUtf8() +
                      '\n');
    return exitAccepted;
}

int removeRule(const QStringList& words) {
    bool ok = false;
    const uint number = words.size() == 1 ? words.front().toUInt(&ok) : 0;
    if (!ok || number == 0)
        return usageError(RulesCommandTexts::tr("rules remove needs one rule number, as rules "
                                                "list shows it"));
    const Call call = callRunning(QStringLiteral("RemoveRule"), {number});
    // The program refuses a removal for one reason only: no rule has that number.
    if (!call.unanswered && call.reply.type() == QDBusMessage::ErrorMessage &&
        call.reply.errorName() == BusService::invalidRuleError) {
        print(stderr,
              "fadebin: " + RulesCommandTexts::tr("There is no rule %1.").arg(number).toUtf8() +
                  '\n');
        return exitRefused;
    }
    if (const auto status = failed(call))
        return *status;
    print(stdout, RulesCommandTexts::tr("Removed rule %1").arg(number).toUtf8() + '\n');
    return exitAccepted;
}

} // namespace

int rulesCommand(int argc, char** argv) {
    const std::string_view action = argc > 2 ? std::string_view(argv[2]) : std::string_view();
    if (action != "list" && action != "add" && action != "remove")
        return usageError(RulesCommandTexts::tr("rules needs list, add or remove"));
    QCommandLineParser parser;
    const QCommandLineOption json(QStringLiteral("json"));
    QList<QCommandLineOption> options;
    if (action == "list")
        options = {json};
    if (action == "add")
        for (const char* name : {"host", "kind", "ext", "choice"})
            options.append(
                QCommandLineOption(QString::fromLatin1(name), {}, QStringLiteral("word")));
    parser.addOptions(options);
    QStringList arguments{QStringLiteral("fadebin")};
    for (int i = 3; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    if (!parser.parse(arguments))
        return usageError(parser.errorText());
    if (action == "remove")
        return removeRule(parser.positionalArguments());
    if (!parser.positionalArguments().isEmpty())
        return usageError(RulesCommandTexts::tr("rules %1 takes no other words")
                              .arg(QString::fromLatin1(action.data(), action.size())));
    return action == "list" ? listRules(parser.isSet(json)) : addRule(parser);
}

} // namespace fadebin
