#include "platform/Version.h"

namespace fadebin {

namespace {

std::optional<QString> nonEmpty(const char* text) {
    const QString value = QString::fromUtf8(text).trimmed();
    return value.isEmpty() ? std::nullopt : std::optional<QString>(value);
}

} // namespace

QString versionString(const std::optional<QString>& shortVersion,
                      const std::optional<QString>& buildNumber) {
    const QString unknown = QStringLiteral("?");
    return QStringLiteral("%1 (%2)").arg(shortVersion.value_or(unknown),
                                         buildNumber.value_or(unknown));
}

std::optional<QString> shortVersion() {
    return nonEmpty(FADEBIN_VERSION);
}

std::optional<QString> buildNumber() {
    return nonEmpty(FADEBIN_BUILD_NUMBER);
}

QString appVersionString() {
    return versionString(shortVersion(), buildNumber());
}

} // namespace fadebin
