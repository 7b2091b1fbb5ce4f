#pragma once

#include "platform/Clock.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>

#include <filesystem>
#include <optional>

namespace fadebin {

// The user-defaults store: one JSON object, one key per preference. JSON strings, numbers
// and booleans keep their types, so a reader can tell a text from a number. The file is read
// once, at construction; every assignment rewrites it atomically. Main thread only.
class SettingsFile {
public:
    // The store at the standard location.
    SettingsFile();
    explicit SettingsFile(std::filesystem::path file);
    // Writes what is still pending.
    ~SettingsFile();
    SettingsFile(const SettingsFile&) = delete;
    SettingsFile& operator=(const SettingsFile&) = delete;

    // From now on an assignment is written `delay` after the last one rather than at once: a
    // slider dragged or a field typed in costs one write, not one per step. A crash loses at
    // most that delay; destruction (quitting) writes what is pending.
    void coalesceWrites(Clock& clock, Duration delay);

    // $XDG_CONFIG_HOME/Fadebin/defaults.json, or ~/.config/Fadebin/defaults.json when the
    // variable is unset, empty or relative (as the XDG base directory rules say).
    [[nodiscard]] static std::filesystem::path standardPath();
    [[nodiscard]] const std::filesystem::path& filePath() const { return m_file; }

    // The stored value of any JSON type; none when the key is missing.
    [[nodiscard]] std::optional<QJsonValue> value(const QString& key) const;
    // Typed reads: none unless the stored value has exactly that JSON type.
    [[nodiscard]] std::optional<QString> stringValue(const QString& key) const;
    [[nodiscard]] std::optional<double> doubleValue(const QString& key) const;
    [[nodiscard]] std::optional<bool> storedBool(const QString& key) const;
    // The store's lenient boolean reading: true for a JSON true, a non-zero number, or a
    // text that starts (after white space, a sign and zeros) with Y, y, T, t or a digit
    // 1 to 9, as "YES", "true" and "1" do. Everything else, a missing key included, is false.
    [[nodiscard]] bool boolValue(const QString& key) const;

    // Each assignment writes the whole file at once; a failed write is logged and absorbed,
    // the value stays in memory for this run.
    void setString(const QString& key, const QString& value);
    void setDouble(const QString& key, double value);
    void setBool(const QString& key, bool value);
    void setArray(const QString& key, const QJsonArray& value);

private:
    void set(const QString& key, const QJsonValue& value);
    void load();
    void write() const;

    std::filesystem::path m_file;
    QJsonObject m_values;
    Clock* m_clock = nullptr;
    Duration m_delay{};
    TimerHandle m_pendingWrite;
};

} // namespace fadebin
