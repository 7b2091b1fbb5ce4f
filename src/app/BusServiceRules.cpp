// The rules over the bus: listed, added and removed through the settings, which write them.
#include "app/AppModel.h"
#include "app/BusService.h"

#include "platform/Log.h"

namespace fadebin {

BusRules BusService::ListRules() {
    BusRules listed;
    for (const Rule& rule : m_model.settings().rules())
        listed.append(toJson(rule).toVariantMap());
    return listed;
}

uint BusService::AddRule(const QString& host, const QString& kind, const QString& ext,
                         const QString& choice) {
    const RuleReading reading = ruleFromWords(host, kind, ext, choice);
    QString refusal = reading.problem;
    if (reading.rule && !m_model.settings().addRule(*reading.rule))
        refusal = QStringLiteral("there are already %1 rules").arg(rules::largestCount);
    if (!refusal.isEmpty()) {
        if (calledFromDBus())
            sendErrorReply(invalidRuleError, QStringLiteral("Rule refused: %1").arg(refusal));
        return 0;
    }
    FADEBIN_LOG_INFO(LogCategory::App, "Rule added over the bus");
    // A rule for the same host, kind and extension was replaced: the new one is the last.
    return static_cast<uint>(m_model.settings().rules().size());
}

void BusService::RemoveRule(uint number) {
    if (number == 0 || !m_model.settings().removeRule(number - 1)) {
        if (calledFromDBus())
            sendErrorReply(invalidRuleError, QStringLiteral("There is no rule %1.").arg(number));
        return;
    }
    FADEBIN_LOG_INFO(LogCategory::App, "Rule %u removed over the bus", number);
}

} // namespace fadebin
