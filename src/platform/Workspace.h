#pragma once

#include "platform/FileSystem.h"

namespace fadebin {

// The desktop around the program: showing a file in the user's file manager.
class Workspace {
public:
    virtual ~Workspace() = default;
    // Selects the item in the file manager (org.freedesktop.FileManager1 on the session
    // bus), or opens its folder when no file manager answers that call.
    virtual void reveal(const path& item);
};

} // namespace fadebin
