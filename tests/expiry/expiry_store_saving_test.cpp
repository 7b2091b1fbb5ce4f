// The store's saving: databases it cannot open, saves that fail and are tried again, a
// batch saved in one go, a crash between saving and marking, and what memory keeps.
#include "expiry/Database.h"
#include "expiry/StoreFixture.h"
#include "platform/Translations.h"
#include "support/HeldInChild.h"
#include "support/ScopedMount.h"

#include <QCoreApplication>
#include <QPointer>

#include <sqlite3.h>

using namespace fadebin;
using namespace fadebin::test;

namespace {

// Another process holding the database in BEGIN EXCLUSIVE until killed or `release` has passed.
std::unique_ptr<HeldInChild> holdExclusively(const path& file,
                                             std::optional<Duration> release = std::nullopt) {
    return HeldInChild::start([&] {
        sqlite3* db = nullptr;
        if (sqlite3_open(file.c_str(), &db) != SQLITE_OK ||
            sqlite3_exec(db, "BEGIN EXCLUSIVE; CREATE TABLE held(x);", nullptr, nullptr, nullptr) !=
                SQLITE_OK)
            return false;
        if (release) {
            const auto us = std::chrono::microseconds(*release).count();
            const itimerval once{{0, 0}, {us / 1'000'000, us % 1'000'000}};
            ::setitimer(ITIMER_REAL, &once, nullptr);
        }
        return true;
    });
}

// A program killed right after saving a decision: the file is never marked.
class DyingDeleter : public FileDeleter {
public:
    void writeExpiry(Instant, const path&) override {}
    void clearMarks(const path&, const QString&, const std::optional<FileIdentity>&) override {}
};

} // namespace

TEST_F(StoreTest, UnopenableDatabasesFailWithTheReason) {
    store.reset();
    auto openError = [&] {
        QString error;
        EXPECT_EQ(ExpiryStore::open(home.downloads(), clock, *deleter, error), nullptr);
        return error;
    };
    writeFile(databaseFile(), std::string(4096, 'g'));
    EXPECT_EQ(openError(), QStringLiteral("file is not a database"));
    std::filesystem::remove(databaseFile());
    auto locked = holdExclusively(databaseFile());
    ASSERT_TRUE(locked);
    QString error;
    EXPECT_EQ(Database::open(databaseFile(), error, 300ms), nullptr);
    EXPECT_EQ(error, QStringLiteral("database is locked"));
    locked->kill();
    // A lock let go after a while only delays the start; SQLite waits in real time, longer
    // than one statement's old patience and short of the whole wait.
    locked = holdExclusively(databaseFile(), 1500ms);
    ASSERT_TRUE(locked);
    EXPECT_NE(Database::open(databaseFile(), error), nullptr) << error.toStdString();

    std::filesystem::remove_all(home.dataHome());
    std::filesystem::create_directories(home.dataHome());
    auto readOnly = ScopedMount::readOnly(home.dataHome());
    if (!readOnly)
        GTEST_SKIP() << "cannot make a read-only mount here (needs root)";
    EXPECT_EQ(openError(), QStringLiteral("Read-only file system"));
}

TEST_F(StoreTest, AFailedSaveKeepsTheChangesTriesAgainUntilSavedAndAStopNamesWhatIsLost) {
    store.reset();
    const path data = home.dataHome() / "Fadebin";
    std::filesystem::create_directories(data);
    const auto disk = ScopedMount::tmpfs(data, "size=200k");
    if (!disk)
        GTEST_SKIP() << "cannot mount a small tmpfs here (needs root)";
    reopen();
    int made = 0;
    // The filler may leave a few pages free; keep adding until a save fails.
    const auto fill = [&] {
        fillDisk(data / "filler");
        for (int i = 0; i < 200 && !store->saveProblem(); ++i)
            pending("f" + std::to_string(made++), std::string(2000, 'n'));
        ASSERT_TRUE(store->saveProblem());
    };
    fill();
    EXPECT_TRUE(store->files(FileStatus::pending).back()->isDirty()) << "it waits in memory";
    // "Keep it" while the disk is full: the file keeps its expiry until the decision is saved.
    TrackedFile* kept = store->files(FileStatus::pending).front();
    store->apply(ExpiryOption::oneHour, *kept, false);
    EXPECT_EQ(attribute(dl("f0")), std::nullopt) << "never marked: the schedule was not saved";
    store->apply(ExpiryOption::forever, *kept, false);
    EXPECT_EQ(attribute(dl("f0")), std::nullopt);
    EXPECT_EQ(store->saveProblem(),
              QStringLiteral("Fadebin can't save its records: the disk is full"));
    EXPECT_EQ(store->notSavedYet(),
              QStringLiteral("not saved yet: the disk is full; Fadebin keeps trying"));
    // A retry that fails as well, in German: people read it so, the bus still in English.
    ASSERT_TRUE(installTranslations(QLocale(QLocale::German, QLocale::Germany)));
    clock.advance(ExpiryStore::firstSaveRetry);
    EXPECT_EQ(store->saveProblem(),
              QStringLiteral("Fadebin kann seine Daten nicht speichern: der Datenträger ist voll"));
    EXPECT_EQ(store->notSavedYet(),
              QStringLiteral("not saved yet: the disk is full; Fadebin keeps trying"));
    speakEnglish();
    std::filesystem::remove(data / "filler");
    clock.advance(ExpiryStore::longestSaveRetry); // tried again on its own
    EXPECT_EQ(store->saveProblem(), std::nullopt);
    EXPECT_EQ(store->notSavedYet(), std::nullopt);
    EXPECT_TRUE(log.contains("Records saved again"));

    // Stopped while saves fail: tried again a few times, then what is lost is named.
    int pauses = 0;
    for (const bool freed : {true, false}) {
        fill();
        TrackedFile* decided = store->files(FileStatus::pending).front();
        const QString name = decided->displayName();
        store->apply(ExpiryOption::oneDay, *decided, false);
        pauses = 0;
        clock.whileBlocked = [&] {
            if (++pauses == 2 && freed)
                std::filesystem::remove(data / "filler");
        };
        store.reset();
        EXPECT_EQ(pauses, freed ? 2 : ExpiryStore::savesAtStop - 1);
        EXPECT_EQ(log.contains("Lost at stop, never saved: " + name.toStdString() + " (scheduled)"),
                  !freed);
        std::filesystem::remove(data / "filler");
        reopen();
        EXPECT_EQ(store->files(FileStatus::scheduled).size(), 1u) << "only the first stop saved";
    }
    EXPECT_EQ(store->files(FileStatus::keepForever).size(), 1u);
}

TEST_F(StoreTest, ABatchOfDecisionsIsSavedInOneGoAndMarkedAfterIt) {
    const std::vector<TrackedFile*> records{pending("a"), pending("b"), pending("c")};
    const auto storedStatuses = [this] {
        QString error;
        const auto rows =
            Database::open(databaseFile(), error)->fetch({"pending", "scheduled"}, error);
        std::string statuses;
        for (const auto& row : rows.value())
            statuses += row.statusRaw.toStdString() + " ";
        return statuses;
    };
    {
        const ExpiryStore::SaveBatch batch(*store);
        for (TrackedFile* record : records)
            store->apply(ExpiryOption::oneHour, *record, false);
        EXPECT_EQ(storedStatuses(), "pending pending pending ");
        EXPECT_EQ(attribute(dl("a")), std::nullopt) << "marked only once saved";
    }
    EXPECT_EQ(storedStatuses(), "scheduled scheduled scheduled ");
    EXPECT_TRUE(attribute(dl("c")).has_value());
}

TEST_F(StoreTest, ACrashBetweenSavingADecisionAndMarkingTheFileIsMendedFromTheDatabase) {
    store->apply(ExpiryOption::oneHour, *pending("kept.iso"), false);
    store->apply(ExpiryOption::oneHour, *pending("longer.iso"), false);
    const auto hourLeft = attribute(dl("longer.iso"));
    std::unique_ptr<FileDeleter> normal = std::exchange(deleter, std::make_unique<DyingDeleter>());
    reopen();
    store->apply(ExpiryOption::forever, *store->recordForPath(dl("kept.iso")), false);
    store->apply(ExpiryOption::oneDay, *store->recordForPath(dl("longer.iso")), false);
    EXPECT_TRUE(attribute(dl("kept.iso")).has_value()) << "killed before the file was marked";
    EXPECT_EQ(attribute(dl("longer.iso")), hourLeft);
    deleter = std::move(normal);
    reopen();
    store->recoverFromExtendedAttributes();
    EXPECT_EQ(attribute(dl("kept.iso")), std::nullopt) << "the database's keep stands";
    const auto longer = store->files(FileStatus::scheduled);
    ASSERT_EQ(longer.size(), 1u);
    EXPECT_EQ(parseExpiry(*attribute(dl("longer.iso"))),
              std::chrono::floor<std::chrono::seconds>(*longer[0]->expiresAt()));
}

TEST_F(StoreTest, RecordsThatEndedLeaveMemoryOnceSavedAndStayInTheDatabase) {
    std::vector<QPointer<TrackedFile>> ended;
    for (int i = 0; i < 40; ++i) {
        TrackedFile* record = pending("f" + std::to_string(i));
        if (i % 4 == 0)
            store->cancel(*record);
        else if (i % 4 == 1)
            store->apply(ExpiryOption::forever, *record, false);
        else
            continue;
        ended.emplace_back(record);
    }
    EXPECT_EQ(store->activeCount(), 20u);
    EXPECT_EQ(store->liveCount(), 20u);
    // Views may still hold them until the event loop turns; then they are gone.
    EXPECT_TRUE(std::ranges::none_of(ended, [](const auto& r) { return r.isNull(); }));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(std::ranges::all_of(ended, [](const auto& r) { return r.isNull(); }));
    EXPECT_EQ(store->files(FileStatus::cancelled).size(), 10u);
    EXPECT_EQ(store->files(FileStatus::keepForever).size(), 10u);

    // A restart reads the active ones back into memory, and only those.
    reopen();
    EXPECT_EQ(store->liveCount(), 20u);
    EXPECT_EQ(store->activeFiles().size(), 20u);
}

TEST_F(StoreTest, ADatabaseFromBeforeRulesGainsTheColumnAndHostileRuleTextsReadAsNone) {
    store.reset();
    std::filesystem::remove(databaseFile());
    // The table as every earlier version wrote it, with one scheduled file in it.
    ASSERT_EQ(sql("CREATE TABLE TrackedFile (id TEXT UNIQUE, bookmark BLOB, displayName TEXT, "
                  "source TEXT NULL, sizeBytes INTEGER, addedAt REAL, statusRaw TEXT, "
                  "expiresAt REAL NULL, deleteAttempts INTEGER, lastKnownPath TEXT);"
                  "INSERT INTO TrackedFile VALUES ('6f1c1f43-8d2a-4c39-9a47-1d8a1c0e2b11', x'', "
                  "'old.pdf', NULL, 7, 1, 'scheduled', 2e9, 0, '/nowhere/old.pdf')"),
              SQLITE_OK);

    QString error;
    std::unique_ptr<Database> opened = Database::open(databaseFile(), error);
    ASSERT_NE(opened, nullptr) << error.toStdString();
    auto rows = opened->fetch({"scheduled"}, error);
    ASSERT_TRUE(rows && rows->size() == 1) << error.toStdString();
    EXPECT_EQ(rows->front().rule, std::nullopt);

    // Written and read back; a text that is no rule (or a rule no check would pass) is none.
    TrackedFile record(rows->front());
    const Rule rule{QStringLiteral("example.org"), true, FileKind::pdf, {}, ExpiryOption::oneDay};
    record.setRule(rule);
    ASSERT_TRUE(opened->write({&record}, error)) << error.toStdString();
    EXPECT_EQ(opened->fetch({"scheduled"}, error)->front().rule, rule);
    for (const char* stored : {"not json", R"({"choice": "oneDay"})",
                               R"({"host": "a b", "choice": "oneDay"})", R"([1, 2])"}) {
        EXPECT_EQ(sql(std::string("UPDATE TrackedFile SET decidedByRule = '") + stored + "'"),
                  SQLITE_OK);
        EXPECT_EQ(opened->fetch({"scheduled"}, error)->front().rule, std::nullopt) << stored;
    }
}

// What the bus says of an unsaved decision, as the command line shows it: in the user's
// language, SQLite's own reason as it is, and any other text unchanged.
TEST(NotSavedText, ReadsInTheUsersLanguage) {
    ASSERT_TRUE(installTranslations(QLocale(QLocale::German, QLocale::Germany)));
    const std::pair<const char*, const char*> rows[] = {
        {"not saved yet: the disk is full; Fadebin keeps trying",
         "noch nicht gespeichert: der Datenträger ist voll; Fadebin versucht es weiter"},
        {"not saved yet: the disk is read-only; Fadebin keeps trying",
         "noch nicht gespeichert: der Datenträger ist schreibgeschützt; Fadebin versucht es "
         "weiter"},
        {"not saved yet: disk I/O error; Fadebin keeps trying",
         "noch nicht gespeichert: disk I/O error; Fadebin versucht es weiter"},
        {"not saved yet; Fadebin keeps trying", "not saved yet; Fadebin keeps trying"},
        {"not saved yet: the disk is full", "not saved yet: the disk is full"},
        {"There is no rule 5.", "There is no rule 5."},
    };
    for (const auto& [bus, shown] : rows)
        EXPECT_EQ(ExpiryStore::shownNotSaved(QString::fromUtf8(bus)), QString::fromUtf8(shown));
    speakEnglish();
    EXPECT_EQ(ExpiryStore::shownNotSaved(QString::fromUtf8(rows[0].first)),
              QString::fromUtf8(rows[0].first));
}
