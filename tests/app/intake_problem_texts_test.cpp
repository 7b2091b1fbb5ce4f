// The words for why nothing is watched that follow a rule, and what is at the folder's place;
// where each shows is the periphery's intake problem test.
#include "app/IntakeProblem.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace fadebin;
using namespace fadebin::test;

TEST(IntakeProblemTexts, TheLimitsCommandTheSampleStepAndTheFolderPlace) {
    const IntakeProblem watches{IntakeCause::watchLimit, "/d", "fs.inotify.max_user_watches"};
    const IntakeProblem missing{IntakeCause::folderMissing, "/home/a/Downloads", {}};
    const std::pair<QString, QString> texts[] = {
        {raiseLimitCommand(watches), "sudo sysctl fs.inotify.max_user_watches=524288"},
        {raiseLimitCommand(missing), ""},
        {sampleRefusal(missing, true),
         "Your Downloads folder is missing, so the sample can't be dropped."},
        {sampleRefusal({}, true), "Watching is paused, so the sample can't be dropped."},
        {sampleRefusal({}, false), ""},
    };
    for (const auto& [shown, expected] : texts)
        EXPECT_EQ(shown, expected);

    TempHome home;
    writeFile(home.root() / "file", "x");
    const auto link = [&](const char* name, const path& to) {
        std::filesystem::create_directory_symlink(to, home.root() / name);
        return home.root() / name;
    };
    const std::pair<path, IntakeCause> places[] = {
        {home.root() / "file" / "below", IntakeCause::folderMissing},
        {link("toMedia", "/media/nobody-here/Disk/Downloads"), IntakeCause::unmounted},
        {link("toRunMedia", "/run/media/nobody-here/Disk/Downloads"), IntakeCause::unmounted},
        {link("toNowhere", home.root() / "nowhere"), IntakeCause::folderMissing},
    };
    for (const auto& [place, cause] : places)
        EXPECT_EQ(folderCause(place), cause) << place;
}
