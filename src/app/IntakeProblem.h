#pragma once

#include <QString>

#include <filesystem>

// Why nothing is watched, as one state: the cause, what it names (the folder, the database's
// error, the limit) and the one action that helps. Every surface tells it in the same words.
namespace fadebin {

enum class IntakeCause {
    none,
    folderMissing,
    notAFolder,
    unreadable,
    unmounted,
    downloadsIsHome,
    downloadsIsRoot,
    databaseUnopenable,
    watchLimit,
};

// What helps: the folder's place in the file manager, the settings window (where the
// longer story is), or the command that raises the kernel's limit.
enum class IntakeRemedy { none, showParent, openSettings, raiseLimit };

struct IntakeProblem {
    IntakeCause cause = IntakeCause::none;
    // Downloads as configured (links not followed), or where its link points.
    std::filesystem::path folder;
    // The database's error, or the limit's sysctl name ("fs.inotify.max_user_watches").
    QString detail;

    [[nodiscard]] explicit operator bool() const { return cause != IntakeCause::none; }
    friend bool operator==(const IntakeProblem&, const IntakeProblem&) = default;
};

// Why the folder cannot be watched, from what is at its place now: nothing (on a removable
// disk's mount place: the disk is not mounted), something that is not a folder, or a folder
// this process may not read.
[[nodiscard]] IntakeCause folderCause(const std::filesystem::path& folder);
// Where a link at the folder's place finally points, as far as links can be followed.
[[nodiscard]] std::filesystem::path linkTarget(const std::filesystem::path& folder);
// The nearest folder that exists at or above the path.
[[nodiscard]] std::filesystem::path nearestExisting(const std::filesystem::path& p);

[[nodiscard]] IntakeRemedy remedyFor(IntakeCause cause);
// Whether it can clear while the program runs (and is looked for again): a refused folder
// or a database needs a new start.
[[nodiscard]] bool clearsWhileRunning(IntakeCause cause);
// The cause's name for views and tests ("folderMissing").
[[nodiscard]] QString causeKey(IntakeCause cause);

// A short line ("Your Downloads folder is missing") and the sentences after it.
[[nodiscard]] QString intakeProblemTitle(const IntakeProblem& problem);
[[nodiscard]] QString intakeProblemText(const IntakeProblem& problem);
// The remedy's button; empty for none.
[[nodiscard]] QString remedyLabel(IntakeRemedy remedy);
// The command that raises the limit named (empty for any other problem).
[[nodiscard]] QString raiseLimitCommand(const IntakeProblem& problem);
// Why the onboarding's sample cannot be dropped: nothing watches where it would go.
[[nodiscard]] QString sampleRefusal(const IntakeProblem& problem, bool paused);

} // namespace fadebin
