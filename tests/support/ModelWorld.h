#pragma once

// The application model over a private home on a manual clock, with the screens and the
// desktop the notch, window and application tests need in place of the real ones.
#include "app/AppModel.h"
#include "intake/FileKind.h"
#include "platform/FileManager.h"
#include "platform/LoginItem.h"
#include "platform/SettingsFile.h"
#include "support/ManualClock.h"
#include "support/ScopedMount.h"
#include "support/TestSupport.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace fadebin::test {

// The file manager as the interface would ask it, recorded instead of started.
class RecordingFileManager : public FileManager {
public:
    void reveal(const path& item) override { revealed.push_back(item); }
    void showFolder(const path& folder) override { shownFolders.push_back(folder); }
    std::vector<path> revealed;
    std::vector<path> shownFolders;
};

// The application model over a private home on the manual clock, not started yet. The
// settings file holds `stored`, when given, before the settings read it.
class ModelWorld {
public:
    explicit ModelWorld(const char* stored = nullptr)
        : defaults(stored != nullptr ? writeSettings(home, stored)
                                     : home.configHome() / "Fadebin/defaults.json") {}

    TempHome home;
    LogCapture log;
    ManualClock clock;
    SettingsFile defaults;
    AutostartLoginItem loginItem{home.configHome() / "autostart/fadebin.desktop",
                                 "/usr/bin/fadebin"};
    AppSettings settings{defaults, loginItem};
    RecordingFileManager fileManager;
    // The records' own small disk, for tests that fill it; it outlasts the model.
    std::unique_ptr<ScopedMount> recordsDisk;
    AppModel model{settings, clock, fileManager, home.downloads()};

    [[nodiscard]] path file(const std::string& name) const { return home.downloads() / name; }
    // A download that appears and finishes; the model calls onNewPendingFile.
    TrackedFile* download(const std::string& name, const std::string& contents = "payload",
                          const QByteArray& originUrl = {}) {
        writeFile(file(name), contents);
        if (!originUrl.isEmpty()) {
            EXPECT_TRUE(writeXattr(file(name), originUrlAttribute, originUrl).ok());
        }
        model.completionFilter().handleItemEvent(file(name));
        clock.advance(std::chrono::milliseconds(1500));
        return record(name);
    }
    void downloads(std::initializer_list<const char*> names) {
        for (const char* name : names)
            download(name);
    }
    // A download that was given an expiry.
    TrackedFile* decided(const std::string& name, ExpiryOption option) {
        const auto callback = std::exchange(model.onNewPendingFile, {});
        TrackedFile* f = download(name);
        model.onNewPendingFile = callback;
        model.decide(f, option);
        return f;
    }
    // The newest record of the file, as stored: one that ended has left memory by now.
    [[nodiscard]] TrackedFile* stored(const std::string& name) const {
        return model.store()->recordForPath(file(name));
    }
    [[nodiscard]] TrackedFile* record(const std::string& name) const {
        for (const auto& list : {model.pendingFiles(), model.trackedFiles()})
            for (TrackedFile* f : list)
                if (f->displayName() == QString::fromStdString(name))
                    return f;
        return nullptr;
    }
};

// The model started. Intake comes only through the completion filter, as the watcher's
// kernel events would bring it, so that nothing depends on their timing.
class ModelHarness : public ModelWorld {
public:
    // beforeStart prepares the world the model starts in (its records on a disk of their own).
    explicit ModelHarness(const std::function<void(ModelWorld&)>& beforeStart = {}) {
        if (beforeStart)
            beforeStart(*this);
        model.start();
        if (model.watcher())
            model.watcher()->stop();
    }
};

// One turn of the main queue: queued calls run.
inline void nextTurn() {
    QCoreApplication::processEvents();
}

} // namespace fadebin::test
