#pragma once

#include "app/BusService.h"
#include "support/ModelWorld.h"
#include "support/PrivateBus.h"

#include <QDBusMessage>
#include <QDBusPendingCall>

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
    // Another model over the same home, started: a restart once it replaces the last one.
    std::unique_ptr<AppModel> startedModel() {
        auto started = std::make_unique<AppModel>(settings, clock, fileManager, home.downloads());
        started->onNewPendingFile = [this](TrackedFile* f) { newPending.push_back(f); };
        started->start();
        return started;
    }
    // A finished download from `origin` told to `to`: its record as stored.
    TrackedFile* arrive(AppModel& to, const std::string& name, const QByteArray& origin = {}) {
        writeFile(file(name), "payload");
        if (!origin.isEmpty()) {
            EXPECT_TRUE(writeXattr(file(name), originUrlAttribute, origin).ok());
        }
        to.completionFilter().handleItemEvent(file(name));
        clock.advance(1500ms);
        return to.store()->recordForPath(file(name));
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

// The model's bus object on a private dbus-daemon (when there is one) and a caller's connection.
struct ServedBus {
    explicit ServedBus(AppModel& model)
        : bus(model) {
        if (!daemon.address().isEmpty())
            registered = service.registerObject(BusService::objectPath, &bus,
                                                QDBusConnection::ExportAllSlots);
    }
    // Plain messages: an interface object would ask this very thread to introspect itself.
    QDBusPendingCall call(const QString& method, const QVariantList& arguments = {}) {
        QDBusMessage message = QDBusMessage::createMethodCall(
            service.baseService(), BusService::objectPath, BusService::interfaceName, method);
        message.setArguments(arguments);
        return caller.asyncCall(message);
    }

    PrivateBus daemon;
    QDBusConnection service = daemon.connect(QStringLiteral("test-service"));
    QDBusConnection caller = daemon.connect(QStringLiteral("test-caller"));
    BusService bus;
    bool registered = false;
};

} // namespace fadebin::test
