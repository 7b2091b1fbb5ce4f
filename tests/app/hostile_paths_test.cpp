// Paths, links and races that try to lead Fadebin outside Downloads: the model and its bus
// interface over real files, with a second process racing where a race is the attack.
#include "app/BusService.h"
#include "app/ModelFixture.h"
#include "expiry/ExpiryScheduler.h"
#include "platform/RemoveTree.h"
#include "platform/Trash.h"
#include "support/ScopedMount.h"

#include <QPointer>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <map>
#include <new>
#include <set>
#include <thread>

using namespace fadebin;
using namespace fadebin::test;
namespace fs = std::filesystem;

namespace {

// Everything a file outside Downloads is: its bytes and every attribute it carries.
std::string stateOf(const path& file) {
    std::string state = readFile(file);
    char names[4096], value[4096];
    const ssize_t size = ::llistxattr(file.c_str(), names, sizeof names);
    for (ssize_t at = 0; at < size; at += static_cast<ssize_t>(std::strlen(names + at)) + 1) {
        const ssize_t length = ::lgetxattr(file.c_str(), names + at, value, sizeof value);
        state += std::string("\n") + (names + at) + "=" +
                 std::string(value, static_cast<std::size_t>(std::max<ssize_t>(length, 0)));
    }
    return state;
}

// Another process exchanging two names in a loop, as an attacker racing Fadebin would, counting
// its exchanges in shared memory. Resting (up to 0.4 ms, and 20 ms every hundredth), it lands
// some changes between a check and its act and leaves others alone, however slow Fadebin runs.
class Swapper {
public:
    Swapper(const path& a, const path& b, bool resting = false) {
        void* shared = ::mmap(nullptr, sizeof(std::atomic<long>), PROT_READ | PROT_WRITE,
                              MAP_SHARED | MAP_ANONYMOUS, -1, 0);
        m_count = new (shared) std::atomic<long>(0);
        m_pid = ::fork();
        if (m_pid == 0) {
            unsigned seed = 1;
            for (long n = 0;; ++n) {
                if (::renameat2(AT_FDCWD, a.c_str(), AT_FDCWD, b.c_str(), RENAME_EXCHANGE) == 0)
                    m_count->fetch_add(1);
                if (resting) {
                    const long micros = n % 100 == 99 ? 20'000 : ::rand_r(&seed) % 400;
                    const timespec pause{0, micros * 1000};
                    ::nanosleep(&pause, nullptr);
                }
            }
        }
    }
    ~Swapper() {
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
        ::munmap(m_count, sizeof(std::atomic<long>));
    }
    [[nodiscard]] long exchanges() const { return m_count->load(); }

private:
    pid_t m_pid = -1;
    std::atomic<long>* m_count = nullptr;
};

class HostilePaths : public ModelTest {
protected:
    HostilePaths() {
        fs::create_directories(outside);
        writeFile(outside / "victim", "precious");
        EXPECT_EQ(::setxattr((outside / "victim").c_str(), "user.xdg.tags", "Mine", 4, 0), 0);
        model.start();
    }
    // Every file outside with its bytes and attributes: anything written, moved or removed.
    std::map<path, std::string> outsideNow() {
        std::map<path, std::string> state;
        for (const auto& entry : fs::recursive_directory_iterator(outside))
            if (entry.is_regular_file())
                state[entry.path()] = stateOf(entry.path());
        return state;
    }
    // Each command on one file: expire (and sweep), keep, delete to the Trash or for good, drop.
    void attack(const path& target) {
        for (int round = 0; round < 5; ++round) {
            settings.setDeletionMethod(round == 3 ? DeletionMethod::permanent
                                                  : DeletionMethod::trash);
            if (round == 4) {
                for (const DropOutcome& dropped : model.acceptDrop({target}))
                    model.deleteNow(dropped.file);
                continue;
            }
            TrackedFile* taken = model.takeIn(target).record;
            EXPECT_EQ(taken, nullptr) << target;
            if (taken && round < 2)
                model.decide(taken, round == 0 ? ExpiryOption::tenSeconds : ExpiryOption::forever);
            else if (taken)
                model.deleteNow(taken);
            if (taken && round == 0)
                clock.advance(11s);
        }
    }

    // The names in the home Trash now, none while it does not exist.
    std::vector<std::string> inTrash() const {
        const auto names = listNames(trashFiles());
        return names ? *names : std::vector<std::string>{};
    }

    const path outside = home.root() / "outside";
};

// An info file naming `original` as the place its item came from.
void writeInfo(const path& info, const path& original) {
    writeFile(info, "[Trash Info]\nPath=" + encodeTrashInfoPath(original.native()) +
                        "\nDeletionDate=2026-12-07T00:00:00\n");
}

// Downloads/s leads out through a folder chain longer than PATH_MAX (where realpath gives
// up) and back up past Downloads: j1 and j2 are links into the chain, s is "j1/j2/../..".
void buildEscapeBeyondPathMax(const path& downloads) {
    const std::string name(250, 'n');
    fs::create_directory(downloads / "d");
    std::vector<UniqueFd> chain;
    chain.emplace_back(::open((downloads / "d").c_str(), O_PATH | O_DIRECTORY));
    std::string firstHalf = "d", secondHalf;
    for (int level = 1; level <= 17; ++level) {
        ASSERT_EQ(::mkdirat(chain.back().get(), name.c_str(), 0700), 0);
        chain.emplace_back(::openat(chain.back().get(), name.c_str(), O_PATH | O_DIRECTORY));
        (level <= 9 ? firstHalf : secondHalf) += (level <= 9 || level > 10 ? "/" : "") + name;
    }
    ASSERT_EQ(::symlink(firstHalf.c_str(), (downloads / "j1").c_str()), 0);
    ASSERT_EQ(::symlinkat(secondHalf.c_str(), chain[9].get(), "j2"), 0);
    std::string up = "j1/j2";
    for (int level = 0; level < 18; ++level)
        up += "/..";
    ASSERT_EQ(::symlink((up + "/../outside").c_str(), (downloads / "s").c_str()), 0);
}

} // namespace

TEST_F(HostilePaths, ALinkLeadingOutPastPathMaxReachesNothingOutside) {
    buildEscapeBeyondPathMax(home.downloads());
    ASSERT_TRUE(fs::exists(file("s/victim"))) << "the kernel follows the link out";
    char resolved[PATH_MAX];
    ASSERT_EQ(::realpath(file("s/victim").c_str(), resolved), nullptr) << "realpath gives up";
    const auto before = outsideNow();

    attack(file("s/victim"));
    EXPECT_EQ(model.takeIn(file("s/victim")).refusal,
              QStringLiteral("only files in Downloads can be timed"));

    // A trashed file of ours whose info file was edited to lead back out through the link.
    TrackedFile* mine = decided("mine.txt", ExpiryOption::oneHour);
    ASSERT_EQ(model.deleteNow(mine), std::nullopt);
    writeInfo(home.dataHome() / "Trash/info/mine.txt.trashinfo", file("s/mine.txt"));
    EXPECT_FALSE(model.restore(std::nullopt).file);
    EXPECT_FALSE(fs::exists(outside / "mine.txt"));
    EXPECT_TRUE(outsideNow() == before) << "a file outside Downloads was touched";
    ASSERT_TRUE(removeTree(file("d")).ok()); // deeper than any path can name
}

TEST_F(HostilePaths, EmptyDotAndDownloadsItselfNameNothingOnTheBus) {
    fs::create_directory(file("Photos"));
    writeFile(file("Photos/p.jpg"), "jpg");
    BusService bus(model);
    const QByteArray photos = bytes(file("Photos")), downloads = bytes(home.downloads());
    // Each kind of refusal once on every method (the boundary's table is DownloadsFolder's).
    const QList<QByteArray> hostile{
        "",        photos + "/.",  photos + "/..",
        downloads, "Photos/p.jpg", photos + "/p.jpg" + QByteArray(1, '\0') + "x"};
    for (const QByteArray& bytes : hostile) {
        const QList<QByteArray> one{bytes};
        for (const BusRefusals& refused : {bus.Keep(one), bus.SetExpiry(one, "oneHour"),
                                           bus.DeleteNow(one), bus.Restore(one).refused}) {
            ASSERT_EQ(refused.size(), 1) << bytes.constData();
            EXPECT_EQ(refused.front().path, bytes);
            EXPECT_FALSE(refused.front().reason.isEmpty());
        }
    }
    EXPECT_EQ(bus.Keep({downloads}).front().reason,
              QStringLiteral("Downloads itself and the folders that hold it cannot be timed"));
    EXPECT_EQ(bus.Keep({photos + "/."}).front().reason,
              QStringLiteral("not a file's name (it ends in \".\" or \"..\")"));
    EXPECT_EQ(readFile(file("Photos/p.jpg")), "jpg");
    EXPECT_TRUE(model.pendingFiles().isEmpty());
    EXPECT_FALSE(fs::exists(trashFiles()));

    // A folder inside Downloads is an item like any file.
    EXPECT_TRUE(bus.DeleteNow({photos + "/"}).isEmpty());
    EXPECT_TRUE(fs::exists(trashFiles() / "Photos/p.jpg"));

    // GLib's bytestrings end in one NUL; options go by their short words too.
    writeFile(file("q.txt"), "q");
    const QByteArray q = bytes(file("q.txt"));
    EXPECT_EQ(bus.SetExpiry({q + '\0' + '\0'}, "1h").size(), 1);
    EXPECT_EQ(bus.SetExpiry({q + '\0'}, "1H").size(), 1);
    EXPECT_TRUE(bus.SetExpiry({q + '\0'}, "1h").isEmpty());
    ASSERT_EQ(model.trackedFiles().size(), 1);
    EXPECT_TRUE(bus.Keep({q + '\0'}).isEmpty());
    EXPECT_TRUE(model.trackedFiles().isEmpty());
}

TEST_F(HostilePaths, AParentSwappedForALinkOutByAnotherProcessLeadsNowhere) {
    // Downloads/a/sub and the link a/subl -> outside trade places all the while; the files
    // that were not deleted are tried again until the race has run long enough.
    constexpr int files = 1000;
    fs::create_directories(file("a/sub"));
    for (int i = 0; i < files; ++i) {
        writeFile(file("a/sub/f" + std::to_string(i)), "inside");
        writeFile(outside / ("f" + std::to_string(i)), "outside " + std::to_string(i));
    }
    fs::create_directory_symlink(outside, file("a/subl"));
    const auto before = outsideNow();
    {
        Swapper swapper(file("a/sub"), file("a/subl"), true);
        const auto giveUp = std::chrono::steady_clock::now() + 60s;
        int i = 0;
        for (int round = 0; round < 4 || ((swapper.exchanges() < 2000 || inTrash().size() < 20) &&
                                          std::chrono::steady_clock::now() < giveUp);
             ++round) {
            for (int k = 0; k < files / 4; ++k, i = (i + 1) % files) {
                const path target = file("a/sub/f" + std::to_string(i));
                const AppModel::TakenIn taken = model.takeIn(target);
                if (!taken.record)
                    continue;
                if (i % 2 == 0) {
                    model.deleteNow(taken.record);
                } else { // the sweep's road
                    model.decide(taken.record, ExpiryOption::tenSeconds);
                    clock.advance(10s);
                }
            }
        }
        EXPECT_GE(swapper.exchanges(), 2000);
    }
    EXPECT_TRUE(outsideNow() == before) << "a file outside Downloads was touched";
    const std::vector<std::string> trashed = inTrash();
    for (const std::string& name : trashed)
        EXPECT_EQ(readFile(trashFiles() / name), "inside") << name;
    EXPECT_GT(trashed.size(), 0u) << "the race ran while files were being deleted";
}

TEST_F(HostilePaths, RestoreTakesBackOnlyOurItemsIntoDownloadsEvenWithInfoFilesSwapped) {
    TrackedFile* ours = decided("ours.txt", ExpiryOption::oneHour);
    ASSERT_EQ(model.deleteNow(ours), std::nullopt);
    const path trash = trashFiles().parent_path(), info = trash / "info";
    writeFile(trash / "files/stranger.txt", "not ours"); // trashed by someone else
    // Not ours, under an info file naming Downloads; ours, under one naming a place outside.
    for (const auto& [item, to, code] : {std::tuple{"stranger.txt", file("stranger.txt"), EPERM},
                                         std::tuple{"ours.txt", outside / "ours.txt", EXDEV}}) {
        writeInfo(info / (item + std::string(".trashinfo")), to);
        const auto restored = model.store()->restoreTrashed(trash / "files" / item, std::nullopt);
        ASSERT_FALSE(restored) << item;
        EXPECT_EQ(restored.error().code, code) << item;
        EXPECT_FALSE(fs::exists(to));
        EXPECT_TRUE(fs::exists(trash / "files" / item));
    }

    // Another process swaps the info file of a true restore for one leading out.
    TrackedFile* back = decided("back.txt", ExpiryOption::oneHour);
    ASSERT_EQ(model.deleteNow(back), std::nullopt);
    writeFile(file("back.txt"), "stands at the old place"); // every true restore fails
    writeInfo(info / "evil", outside / "back.txt");
    const auto before = outsideNow();
    {
        Swapper swapper(info / "back.txt.trashinfo", info / "evil");
        for (int tries = 0; tries < 200 || (swapper.exchanges() < 2000 && tries < 20000); ++tries)
            EXPECT_FALSE(model.restore(file("back.txt")).file);
        EXPECT_GE(swapper.exchanges(), 2000);
    }
    EXPECT_TRUE(outsideNow() == before) << "a file outside Downloads was touched";
    EXPECT_EQ(readFile(file("back.txt")), "stands at the old place");

    // Undisturbed, restore still works.
    fs::remove(file("back.txt"));
    if (!fs::exists(info / "back.txt.trashinfo") ||
        readFile(info / "back.txt.trashinfo").find("outside") != std::string::npos)
        fs::rename(info / "evil", info / "back.txt.trashinfo");
    EXPECT_EQ(model.restore(file("back.txt")).file, file("back.txt"));
}

TEST_F(HostilePaths, ABindMountIsNeverEmptiedAndAMountPointIsNotReportedDeleted) {
    fs::create_directories(outside / "docs/sub");
    writeFile(outside / "docs/sub/b.txt", "B");
    fs::create_directories(file("pkg/inner"));
    fs::create_directory(file("bound"));
    const auto inner = ScopedMount::bind(outside / "docs", file("pkg/inner"));
    const auto whole = inner ? ScopedMount::bind(outside / "docs", file("bound")) : nullptr;
    if (!whole)
        GTEST_SKIP() << "needs root to bind-mount a folder into Downloads";
    const auto before = outsideNow();
    EXPECT_EQ(model.takeIn(file("pkg/inner/sub/b.txt")).record, nullptr) << "another place";
    BusService bus(model);
    const QByteArray bound = bytes(file("bound"));
    for (const auto method : {DeletionMethod::permanent, DeletionMethod::trash}) {
        settings.setDeletionMethod(method);
        TrackedFile* record = model.takeIn(file("bound")).record;
        ASSERT_NE(record, nullptr);
        model.decide(record, ExpiryOption::oneHour);
        const BusRefusals refused = bus.DeleteNow({bound});
        ASSERT_EQ(refused.size(), 1);
        EXPECT_EQ(refused.front().reason.toStdString(), "bound is a mount point: nothing deleted");
        EXPECT_EQ(record->status(), FileStatus::scheduled);
    }
    EXPECT_EQ(log.count("%s is a mount point: nothing deleted"), 2);
    // A timed folder holding the mount, deleted for good by the sweep.
    settings.setDeletionMethod(DeletionMethod::permanent);
    model.decide(model.takeIn(file("pkg")).record, ExpiryOption::tenSeconds);
    clock.advance(11s);
    EXPECT_EQ(log.count("Delete failed for %s (attempt %ld): %s"), 1) << "refused, not raced";
    EXPECT_TRUE(outsideNow() == before) << "a file outside Downloads was touched";
    EXPECT_TRUE(fs::exists(file("pkg/inner/sub/b.txt")));
}

TEST_F(HostilePaths, ASweepRacingAParentSwapEndsOnlyRecordsWhoseFilesWent) {
    // Due files in a/sub swapped with a link out: a record is deleted only with its file gone.
    fs::create_directories(file("a/sub"));
    fs::create_directory_symlink(outside, file("a/subl"));
    std::vector<std::pair<std::string, QPointer<TrackedFile>>> timed;
    const auto check = [&](bool allGone) {
        for (const auto& [name, record] : timed) {
            ASSERT_TRUE(record) << name;
            const bool there = fs::exists(file(name));
            EXPECT_EQ(record->status(),
                      there && !allGone ? FileStatus::scheduled : FileStatus::deleted)
                << name << " is " << record->statusRaw().toStdString();
            EXPECT_FALSE(there && allGone) << name;
        }
    };
    const char* const retried = "Could not reach %s: %s; trying again later";
    const auto giveUp = std::chrono::steady_clock::now() + 30s;
    for (int round = 0;
         round < 3 || (log.count(retried) < 3 && std::chrono::steady_clock::now() < giveUp);
         ++round) {
        for (int i = 0; i < 50; ++i) {
            const std::string name = "a/sub/r" + std::to_string(round) + "f" + std::to_string(i);
            writeFile(file(name), "inside");
            timed.emplace_back(name, model.takeIn(file(name)).record);
            model.decide(timed.back().second, ExpiryOption::tenSeconds);
        }
        {
            Swapper swapper(file("a/sub"), file("a/subl"));
            while (swapper.exchanges() < 50)
                std::this_thread::yield();
            clock.advance(11s);
        }
        if (fs::is_symlink(file("a/sub"))) {
            ASSERT_EQ(::renameat2(AT_FDCWD, file("a/sub").c_str(), AT_FDCWD, file("a/subl").c_str(),
                                  RENAME_EXCHANGE),
                      0);
        }
        check(false);
    }
    EXPECT_GE(log.count(retried), 1) << "no race landed";
    clock.advance(ExpiryScheduler::retryDelay + 1s); // the next sweep, undisturbed
    check(true);
    EXPECT_EQ(readFile(outside / "victim"), "precious");
}

// Two files trashed from one place ("twin.2.txt" the second): one pass restores both in turn.
TEST_F(HostilePaths, TwinsTrashedFromOnePlaceComeBackOneAfterTheOther) {
    for (const std::string contents : {"first", "second"}) {
        writeFile(file("twin.txt"), contents);
        TrackedFile* twin = model.store()->addPending(file("twin.txt"), std::nullopt);
        ASSERT_NE(twin, nullptr);
        ASSERT_EQ(model.deleteNow(twin), std::nullopt);
    }
    ASSERT_TRUE(fs::exists(trashFiles() / "twin.2.txt"));
    const ExpiryStore::TrashPass pass(*model.store());
    std::set<std::string> back;
    for (int i = 0; i < 2; ++i) {
        const auto restored = model.restore(file("twin.txt")).file;
        ASSERT_TRUE(restored) << i;
        back.insert(readFile(*restored));
        fs::rename(*restored, file("was-" + std::to_string(i)));
    }
    EXPECT_EQ(back, (std::set<std::string>{"first", "second"}));
    EXPECT_FALSE(model.restore(file("twin.txt")).file);
}
