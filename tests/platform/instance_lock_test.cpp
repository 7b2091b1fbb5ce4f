#include "platform/InstanceLock.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

using namespace fadebin;
using namespace fadebin::test;

namespace {

// A second process holding the lock, as a running program would; it waits to be killed.
pid_t holdInChild(const path& file) {
    int ready[2];
    if (::pipe(ready) != 0)
        return -1;
    const pid_t child = ::fork();
    if (child == 0) {
        InstanceLock lock;
        const bool acquired = lock.acquire(file) == InstanceLock::Outcome::acquired;
        const char result = acquired ? 'y' : 'n';
        [[maybe_unused]] auto written = ::write(ready[1], &result, 1);
        if (acquired)
            ::pause();
        ::_exit(0);
    }
    char result = 'n';
    [[maybe_unused]] auto got = ::read(ready[0], &result, 1);
    ::close(ready[0]);
    ::close(ready[1]);
    if (result == 'y')
        return child;
    ::waitpid(child, nullptr, 0);
    return -1;
}

} // namespace

TEST(InstanceLock, OneHolderPerFileAndAKilledHolderLeavesNoStaleLock) {
    TempHome home;
    const path file = InstanceLock::standardPath();
    EXPECT_EQ(file, home.dataHome() / "Fadebin/Fadebin.lock");
    const pid_t first = holdInChild(file);
    ASSERT_GT(first, 0);
    InstanceLock second;
    EXPECT_EQ(second.acquire(file), InstanceLock::Outcome::heldElsewhere);
    EXPECT_FALSE(second.held());

    ::kill(first, SIGKILL);
    ::waitpid(first, nullptr, 0);
    InstanceLock after;
    EXPECT_EQ(after.acquire(file), InstanceLock::Outcome::acquired);
    EXPECT_EQ(holdInChild(file), -1) << "held by this process now";

    InstanceLock nowhere;
    EXPECT_EQ(nowhere.acquire("/proc/self/no/such/lock"), InstanceLock::Outcome::failed);
    EXPECT_NE(nowhere.error().code, 0);
}
