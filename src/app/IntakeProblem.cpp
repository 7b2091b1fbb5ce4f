#include "app/IntakeProblem.h"

#include "app/AppTexts.h"
#include "platform/FileSystem.h"

#include <QCoreApplication>
#include <array>
#include <system_error>

namespace fadebin {

namespace {

struct IntakeProblemTexts {
    Q_DECLARE_TR_FUNCTIONS(IntakeProblemTexts)
};

} // namespace

namespace {

namespace fs = std::filesystem;

// Where desktops mount removable and network disks: a folder missing beneath one of these is
// a disk that is not there, not a folder that was removed.
bool onMountPlace(const path& target) {
    static const std::array<path, 3> places{"/media", "/run/media", "/mnt"};
    for (const path& place : places) {
        const auto [end, at] =
            std::mismatch(place.begin(), place.end(), target.begin(), target.end());
        if (end == place.end() && at != target.end())
            return true;
    }
    return false;
}

} // namespace

path linkTarget(const path& folder) {
    path at = folder;
    // Bounded as the kernel bounds it: a loop of links ends here as well.
    for (int hops = 0; hops < 40; ++hops) {
        std::error_code error;
        if (!fs::is_symlink(at, error))
            break;
        const path to = fs::read_symlink(at, error);
        if (error)
            break;
        at = to.is_absolute() ? to : at.parent_path() / to;
    }
    return at.lexically_normal();
}

path nearestExisting(const path& p) {
    path at = p;
    std::error_code error;
    while (at.has_relative_path() && !fs::is_directory(at, error))
        at = at.parent_path();
    return at;
}

IntakeCause folderCause(const path& folder) {
    std::error_code error;
    const fs::file_status status = fs::status(folder, error);
    if (status.type() == fs::file_type::not_found)
        return onMountPlace(resolvedPath(linkTarget(folder))) ? IntakeCause::unmounted
                                                              : IntakeCause::folderMissing;
    if (!error && status.type() != fs::file_type::directory)
        return IntakeCause::notAFolder;
    return IntakeCause::unreadable;
}

IntakeRemedy remedyFor(IntakeCause cause) {
    switch (cause) {
    case IntakeCause::none:
        return IntakeRemedy::none;
    case IntakeCause::folderMissing:
    case IntakeCause::notAFolder:
    case IntakeCause::unreadable:
    case IntakeCause::unmounted:
        return IntakeRemedy::showParent;
    case IntakeCause::downloadsIsHome:
    case IntakeCause::downloadsIsRoot:
    case IntakeCause::databaseUnopenable:
        return IntakeRemedy::openSettings;
    case IntakeCause::watchLimit:
        return IntakeRemedy::raiseLimit;
    }
    return IntakeRemedy::none;
}

bool clearsWhileRunning(IntakeCause cause) {
    return remedyFor(cause) == IntakeRemedy::showParent || cause == IntakeCause::watchLimit;
}

QString causeKey(IntakeCause cause) {
    switch (cause) {
    case IntakeCause::none:
        break;
    case IntakeCause::folderMissing:
        return QStringLiteral("folderMissing");
    case IntakeCause::notAFolder:
        return QStringLiteral("notAFolder");
    case IntakeCause::unreadable:
        return QStringLiteral("unreadable");
    case IntakeCause::unmounted:
        return QStringLiteral("unmounted");
    case IntakeCause::downloadsIsHome:
        return QStringLiteral("downloadsIsHome");
    case IntakeCause::downloadsIsRoot:
        return QStringLiteral("downloadsIsRoot");
    case IntakeCause::databaseUnopenable:
        return QStringLiteral("databaseUnopenable");
    case IntakeCause::watchLimit:
        return QStringLiteral("watchLimit");
    }
    return {};
}

QString intakeProblemTitle(const IntakeProblem& problem) {
    switch (problem.cause) {
    case IntakeCause::none:
        break;
    case IntakeCause::folderMissing:
        return IntakeProblemTexts::tr("Your Downloads folder is missing");
    case IntakeCause::notAFolder:
        return IntakeProblemTexts::tr("Downloads is not a folder");
    case IntakeCause::unreadable:
        return IntakeProblemTexts::tr("Fadebin can't read your Downloads folder");
    case IntakeCause::unmounted:
        return IntakeProblemTexts::tr("Your Downloads disk is not mounted");
    case IntakeCause::downloadsIsHome:
        return IntakeProblemTexts::tr("Downloads is set to your home folder");
    case IntakeCause::downloadsIsRoot:
        return IntakeProblemTexts::tr("Downloads is set to the root folder");
    case IntakeCause::databaseUnopenable:
        return IntakeProblemTexts::tr("Fadebin's database can't be opened");
    case IntakeCause::watchLimit:
        return IntakeProblemTexts::tr("The system's limit of watched folders is reached");
    }
    return {};
}

QString intakeProblemText(const IntakeProblem& problem) {
    const QString folder = toQString(problem.folder);
    switch (problem.cause) {
    case IntakeCause::none:
        break;
    case IntakeCause::folderMissing:
        return IntakeProblemTexts::tr(
                   "There is no folder at %1, so new downloads are not watched. Make "
                   "the folder again; Fadebin looks for it every few seconds.")
            .arg(folder);
    case IntakeCause::notAFolder:
        return IntakeProblemTexts::tr(
                   "%1 is a file, not a folder, so new downloads are not watched. "
                   "Move the file aside and make a folder there.")
            .arg(folder);
    case IntakeCause::unreadable:
        return IntakeProblemTexts::tr(
                   "Fadebin may not read %1, so new downloads are not watched. Give "
                   "your user read access to the folder, then retry.")
            .arg(folder);
    case IntakeCause::unmounted:
        return IntakeProblemTexts::tr(
                   "%1 is on a disk that is not mounted, so new downloads are not "
                   "watched. Connect or mount the disk; Fadebin starts watching as "
                   "soon as it is back.")
            .arg(folder);
    case IntakeCause::downloadsIsHome:
        return appTexts::downloadsIsHome(problem.folder);
    case IntakeCause::downloadsIsRoot:
        return appTexts::downloadsIsRoot();
    case IntakeCause::databaseUnopenable:
        return IntakeProblemTexts::tr("Fadebin is not watching anything: its database could not be "
                                      "opened (%1). Fix what stops it, such as a full disk or the "
                                      "file's permissions, then start Fadebin again.")
            .arg(problem.detail);
    case IntakeCause::watchLimit:
        return IntakeProblemTexts::tr(
                   "Fadebin can't watch Downloads: the system's limit of watched "
                   "folders is reached (%1). Raise it with “%2”; Fadebin tries "
                   "again every few seconds.")
            .arg(problem.detail, raiseLimitCommand(problem));
    }
    return {};
}

QString remedyLabel(IntakeRemedy remedy) {
    switch (remedy) {
    case IntakeRemedy::none:
        break;
    case IntakeRemedy::showParent:
        return IntakeProblemTexts::tr("Show Parent Folder");
    case IntakeRemedy::openSettings:
        return IntakeProblemTexts::tr("Open Settings");
    case IntakeRemedy::raiseLimit:
        return IntakeProblemTexts::tr("Copy Command");
    }
    return {};
}

QString raiseLimitCommand(const IntakeProblem& problem) {
    if (problem.cause != IntakeCause::watchLimit)
        return {};
    // Four times the usual default of each: room for the desktop's other watchers.
    const bool instances = problem.detail.endsWith(QLatin1String("max_user_instances"));
    return QStringLiteral("sudo sysctl %1=%2")
        .arg(problem.detail, instances ? QStringLiteral("512") : QStringLiteral("524288"));
}

QString sampleRefusal(const IntakeProblem& problem, bool paused) {
    if (problem)
        return IntakeProblemTexts::tr("%1, so the sample can't be dropped.")
            .arg(intakeProblemTitle(problem));
    if (paused)
        return IntakeProblemTexts::tr("Watching is paused, so the sample can't be dropped.");
    return {};
}

} // namespace fadebin
