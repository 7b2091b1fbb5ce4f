#pragma once

#include "platform/FileSystem.h"

#include <QString>
#include <QStringList>

namespace fadebin {

// Starts a program of the desktop on its own, with its input and output on the null device:
// what a file manager or browser prints is not ours to log. False when it could not start.
[[nodiscard]] bool startQuietly(const QString& program, const QStringList& arguments);

// The desktop around the program: showing files and folders in the user's file manager.
// Nothing here waits for the file manager: the calls go out on the session bus and any
// fallback runs when the reply arrives.
class FileManager {
public:
    virtual ~FileManager() = default;
    // Selects the item in the file manager (org.freedesktop.FileManager1.ShowItems), or
    // opens its folder in the file manager registered for folders when nothing answers that.
    virtual void reveal(const path& item);
    // Opens the folder itself in the file manager (ShowFolders), else as reveal does.
    virtual void showFolder(const path& folder);

private:
    void askFileManager(const QString& method, const path& item, const path& fallbackFolder);
};

} // namespace fadebin
