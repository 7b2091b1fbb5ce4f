#pragma once

#include "support/ModelWorld.h"

#include <gtest/gtest.h>

namespace fadebin::test {

using namespace std::chrono_literals;

// The model on a manual clock with real folders. Intake is fed through the completion
// filter directly (watching paused), so nothing depends on kernel event timing.
class ModelTest : public ::testing::Test, public ModelWorld {
protected:
    ModelTest() {
        settings.setPauseWatching(true);
        model.onNewPendingFile = [this](TrackedFile* f) { newPending.push_back(f); };
        QObject::connect(&model, &AppModel::filesReleased,
                         [this](const ReleaseEvent& e) { releases.push_back(e); });
        QObject::connect(&model, &AppModel::filesDeleted,
                         [this](const DeletionEvent& e) { deletions.push_back(e); });
    }

    void event(const std::string& name) { model.completionFilter().handleItemEvent(file(name)); }
    // A name renamed away, as the watcher reports it: the hint first, then the item event.
    void movedAway(const std::string& name) {
        model.store()->noteMovedAway(file(name));
        event(name);
    }
    path trashFiles() const { return home.dataHome() / "Trash/files"; }
    // A path as the bus carries it.
    static QByteArray bytes(const path& p) { return QByteArray::fromStdString(p.native()); }
    static QStringList names(const QList<TrackedFile*>& files) {
        QStringList out;
        for (TrackedFile* f : files)
            out.append(f->displayName());
        return out;
    }

    std::vector<TrackedFile*> newPending;
    std::vector<ReleaseEvent> releases;
    std::vector<DeletionEvent> deletions;
};

} // namespace fadebin::test
