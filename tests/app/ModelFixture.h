#pragma once

#include "app/AppModel.h"
#include "platform/LoginItem.h"
#include "platform/SettingsFile.h"
#include "support/ManualClock.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace fadebin::test {

using namespace std::chrono_literals;

class RecordingFileManager : public FileManager {
public:
    void reveal(const path& item) override { revealed.push_back(item); }
    std::vector<path> revealed;
};

// The model on a manual clock with real folders. Intake is fed through the completion
// filter directly (watching paused), so nothing depends on kernel event timing.
class ModelTest : public ::testing::Test {
protected:
    ModelTest() {
        settings.setPauseWatching(true);
        model.onNewPendingFile = [this](TrackedFile* f) { newPending.push_back(f); };
        QObject::connect(&model, &AppModel::filesReleased,
                         [this](const ReleaseEvent& e) { releases.push_back(e); });
        QObject::connect(&model, &AppModel::filesDeleted,
                         [this](const DeletionEvent& e) { deletions.push_back(e); });
    }

    path file(const std::string& name) const { return home.downloads() / name; }
    void event(const std::string& name) { model.completionFilter().handleItemEvent(file(name)); }
    // A name renamed away, as the watcher reports it: the hint first, then the item event.
    void movedAway(const std::string& name) {
        model.store()->noteMovedAway(file(name));
        event(name);
    }
    // A download that appears and finishes.
    void download(const std::string& name) {
        writeFile(file(name), "payload");
        event(name);
        clock.advance(1500ms);
    }
    // A download that is then given an expiry.
    TrackedFile* decided(const std::string& name, ExpiryOption option) {
        download(name);
        TrackedFile* f = pending(name);
        model.decide(f, option);
        return f;
    }
    static QStringList names(const QList<TrackedFile*>& files) {
        QStringList out;
        for (TrackedFile* f : files)
            out.append(f->displayName());
        return out;
    }
    TrackedFile* pending(const std::string& name) {
        for (TrackedFile* f : model.pendingFiles())
            if (f->displayName() == QString::fromStdString(name))
                return f;
        return nullptr;
    }

    TempHome home;
    LogCapture log;
    ManualClock clock;
    SettingsFile defaults{home.configHome() / "Fadebin/defaults.json"};
    AutostartLoginItem loginItem{home.configHome() / "autostart/fadebin.desktop",
                                 "/usr/bin/fadebin"};
    AppSettings settings{defaults, loginItem};
    RecordingFileManager fileManager;
    AppModel model{settings, clock, fileManager, home.downloads()};
    std::vector<TrackedFile*> newPending;
    std::vector<ReleaseEvent> releases;
    std::vector<DeletionEvent> deletions;
};

} // namespace fadebin::test
