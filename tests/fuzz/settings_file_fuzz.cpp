// The settings file as a whole: a hand-edited defaults.json read by the store and by the
// settings' typed read rules.
#include "FuzzSupport.h"
#include "platform/LoginItem.h"
#include "platform/SettingsFile.h"
#include "settings/AppSettings.h"

#include <QDir>
#include <QTemporaryDir>

#include <cmath>
#include <filesystem>
#include <fstream>

#include <unistd.h>

using namespace fadebin;
namespace fs = std::filesystem;

namespace {

// A private folder for the file, removed at exit. Each input rewrites it, and the store syncs
// what it writes: a memory file system, where there is one, keeps that from costing a flush.
fs::path folder() {
    static const QTemporaryDir dir(
        (::access("/dev/shm", W_OK) == 0 ? QStringLiteral("/dev/shm") : QDir::tempPath()) +
        QStringLiteral("/fadebin-fuzz-XXXXXX"));
    [[maybe_unused]] static const bool made =
        fs::create_directories(dir.filePath("Fadebin").toStdString());
    return dir.path().toStdString();
}

// Every value the program takes from the settings.
struct Reading {
    DisplayMode displayMode;
    double autoDismissSeconds;
    double pendingGraceMinutes;
    Duration pendingGrace;
    ExpiryOption defaultAction;
    DeletionMethod deletionMethod;
    bool applyFileTag, pauseWatching, showTestTimers, showScheduledCount, onboarded;
    QString excludedText;
    QSet<QString> excluded;
    QString countHex, countdownHex;
    RgbColor count, countdown;

    friend bool operator==(const Reading&, const Reading&) = default;
};

Reading read(const AppSettings& s) {
    return {s.displayMode(),        s.autoDismissSeconds(),     s.pendingGraceMinutes(),
            s.pendingGrace(),       s.defaultAction(),          s.deletionMethod(),
            s.applyFileTag(),       s.pauseWatching(),          s.showTestTimers(),
            s.showScheduledCount(), s.hasCompletedOnboarding(), s.excludedExtensionsText(),
            s.excludedExtensions(), s.countColorHex(),          s.countdownColorHex(),
            s.countColor(),         s.countdownColor()};
}

} // namespace

FUZZ_TARGET(bytes) {
    const fs::path file = folder() / "Fadebin" / "defaults.json";
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(bytes.constData(), bytes.size());
    }
    // The login item is not read from the settings file; an entry that is never there.
    AutostartLoginItem loginItem(folder() / "autostart" / "fadebin.desktop", "/usr/bin/fadebin");
    SettingsFile defaults(file);
    AppSettings settings(defaults, loginItem);
    const Reading first = read(settings);

    // The durations the engine uses are always usable, whatever the file said.
    FUZZ_CHECK(first.pendingGrace > Duration::zero());
    FUZZ_CHECK(std::isfinite(first.autoDismissSeconds) && first.autoDismissSeconds > 0 &&
               first.autoDismissSeconds <= AppSettings::largestAutoDismissSeconds);
    FUZZ_CHECK(std::isfinite(first.pendingGraceMinutes) && first.pendingGraceMinutes > 0 &&
               first.pendingGraceMinutes <= AppSettings::largestPendingGraceMinutes);
    for (const QString& extension : first.excluded)
        FUZZ_CHECK(!extension.isEmpty() && extension == extension.toLower());

    // Changing one setting rewrites the file with everything in it; read again from that
    // file, every other setting is what it was.
    settings.setPauseWatching(!first.pauseWatching);
    SettingsFile again(file);
    Reading second = read(AppSettings(again, loginItem));
    FUZZ_CHECK(second.pauseWatching == !first.pauseWatching);
    second.pauseWatching = first.pauseWatching;
    FUZZ_CHECK(second == first);
}
