#pragma once

#include "platform/FileSystem.h"

#include <QTemporaryDir>

#include <cstdlib>
#include <filesystem>

namespace fadebin::bench {

// A home of its own for one benchmark: Downloads made, and HOME and the XDG folders pointing
// into it, so that the Trash and the settings are the benchmark's too.
struct BenchHome {
    BenchHome()
        : root(resolvedPath(dir.path().toStdString()))
        , downloads(root / "Downloads") {
        std::filesystem::create_directories(downloads);
        ::setenv("HOME", root.c_str(), 1);
        ::setenv("XDG_DATA_HOME", (root / ".local/share").c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (root / ".config").c_str(), 1);
    }

    QTemporaryDir dir;
    std::filesystem::path root;
    std::filesystem::path downloads;
};

} // namespace fadebin::bench
