#pragma once

#include "expiry/ExpiryStore.h"
#include "expiry/FileDeleter.h"
#include "platform/LoginItem.h"
#include "platform/SettingsFile.h"
#include "settings/AppSettings.h"
#include "support/ManualClock.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

namespace fadebin::test {

using namespace std::chrono_literals;

// A private home with Downloads, a manual clock, the real deleter, a store on a real SQLite
// file in $XDG_DATA_HOME, and the settings (for the scheduler and the purger) on a real file.
class StoreFixture : public ::testing::Test {
protected:
    StoreFixture() { reopen(); }

    void reopen() {
        store.reset();
        QString error;
        store = ExpiryStore::open(home.downloads(), clock, *deleter, error);
        ASSERT_TRUE(store) << error.toStdString();
        store->onReleased = [this](const std::vector<TrackedFile*>& files) {
            releases.push_back(files);
        };
    }

    // The program stopped, `whileStopped` done meanwhile, and started again as it starts.
    void restart(const std::function<void()>& whileStopped = {}) {
        store.reset();
        if (whileStopped)
            whileStopped();
        reopen();
        store->recoverFromExtendedAttributes();
        store->reconcile();
    }
    void removeDatabase() const {
        for (const char* suffix : {"", "-wal", "-shm"})
            std::filesystem::remove(path(databaseFile().native() + suffix));
    }

    path dl(const std::string& name) const { return home.downloads() / name; }
    path make(const std::string& name, const std::string& contents = "data") {
        writeFile(dl(name), contents);
        return dl(name);
    }
    TrackedFile* pending(const std::string& name, const std::string& contents = "data") {
        TrackedFile* record =
            store->addPending(make(name, contents), QStringLiteral("example.com"));
        EXPECT_NE(record, nullptr) << name;
        return record;
    }
    std::optional<QString> attribute(const path& p) const {
        return deleter->readAttribute(expiryAttribute, p);
    }
    // An attribute's bytes as stored; none when absent or unreadable.
    static std::optional<QByteArray> raw(const path& p, const char* name = tagsAttribute) {
        auto value = readXattr(p, name);
        return value.ok() ? *value : std::nullopt;
    }
    path databaseFile() const { return home.dataHome() / "Fadebin" / "Fadebin.store"; }
    // One statement run on the database file by another program; SQLite's result code.
    int sql(const std::string& statement) const {
        sqlite3* db = nullptr;
        int result = sqlite3_open(databaseFile().c_str(), &db);
        if (result == SQLITE_OK)
            result = sqlite3_exec(db, statement.c_str(), nullptr, nullptr, nullptr);
        sqlite3_close(db);
        return result;
    }

    TempHome home;
    LogCapture log;
    ManualClock clock;
    std::unique_ptr<FileDeleter> deleter = std::make_unique<FileDeleter>();
    std::unique_ptr<ExpiryStore> store;
    std::vector<std::vector<TrackedFile*>> releases;
    SettingsFile defaults{home.configHome() / "Fadebin/defaults.json"};
    AutostartLoginItem loginItem{home.configHome() / "autostart/fadebin.desktop", "/bin/true"};
    AppSettings settings{defaults, loginItem};
};
using StoreTest = StoreFixture;

} // namespace fadebin::test
