#pragma once

#include "platform/FileSystem.h"

#include <QString>

namespace fadebin {

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
