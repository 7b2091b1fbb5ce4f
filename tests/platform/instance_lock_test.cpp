#include "platform/InstanceLock.h"

#include "support/HeldInChild.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace fadebin;
using namespace fadebin::test;

TEST(InstanceLock, OneHolderPerFileAndAKilledHolderLeavesNoStaleLock) {
    TempHome home;
    const path file = InstanceLock::standardPath();
    // Another process holding the lock, as a running program would.
    const auto holdInChild = [&file] {
        return HeldInChild::start([&file] {
            static InstanceLock lock;
            return lock.acquire(file) == InstanceLock::Outcome::acquired;
        });
    };
    const auto first = holdInChild();
    ASSERT_TRUE(first);
    InstanceLock second;
    EXPECT_EQ(second.acquire(file), InstanceLock::Outcome::heldElsewhere);
    EXPECT_FALSE(second.held());

    first->kill();
    InstanceLock after;
    EXPECT_EQ(after.acquire(file), InstanceLock::Outcome::acquired);
    EXPECT_FALSE(holdInChild()) << "held by this process now";

    InstanceLock nowhere;
    EXPECT_EQ(nowhere.acquire("/proc/self/no/such/lock"), InstanceLock::Outcome::failed);
    EXPECT_NE(nowhere.error().code, 0);
}
