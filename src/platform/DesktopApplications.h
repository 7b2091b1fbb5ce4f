#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <filesystem>
#include <optional>

namespace fadebin {

// An installed program as its desktop entry describes it.
struct DesktopApplication {
    std::filesystem::path entry;
    QString name;
    QString icon;
    QByteArray exec; // the Exec value, string escapes already undone
    QStringList categories;
};

// The file manager the desktop registers for folders (inode/directory): the user's and the
// system's defaults in mimeapps.list first, then added associations, then every installed
// entry that lists the type. Only an entry in the FileManager category counts: a browser or
// an editor that also takes folders is never chosen.
[[nodiscard]] std::optional<DesktopApplication> folderFileManager();

// The program and its arguments for opening target, the Exec line's quoting undone and its
// field codes filled in; empty when the line cannot be read.
[[nodiscard]] QStringList launchArguments(const DesktopApplication& application,
                                          const std::filesystem::path& target);

} // namespace fadebin
