// A path from a user (the command line, the bus, a drop) at the boundary where it becomes a
// place in Downloads, over a real folder with links that stay inside and links that lead out.
#include "FuzzSupport.h"
#include "platform/DownloadsFolder.h"

#include <QTemporaryDir>

#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <string>

using namespace fadebin;
namespace fs = std::filesystem;

namespace {

// Downloads with links inside and out, in a folder removed at exit.
struct World {
    World() {
        fs::create_directories(downloads / "sub" / "deeper");
        fs::create_directories(root / "outside");
        fs::create_directory_symlink("sub", downloads / "in");
        fs::create_directory_symlink("../outside", downloads / "out");
        fs::create_directory_symlink("/", downloads / "abs");
        fs::create_directory_symlink("loop", downloads / "loop");
        folder = DownloadsFolder(downloads);
    }
    QTemporaryDir dir;
    fs::path root = dir.path().toStdString();
    fs::path downloads = root / "Downloads";
    DownloadsFolder folder;
};

void check(const World& w, const std::string& userPath) {
    const auto admitted = w.folder.admit(userPath);
    const auto* place = std::get_if<AdmittedPath>(&admitted);
    if (!place)
        return;
    const std::string& relative = place->relative;
    FUZZ_CHECK(!relative.empty());
    FUZZ_CHECK(relative.front() != '/');
    for (const auto& part : fs::path(relative))
        FUZZ_CHECK(part != ".." && part != ".");
    FUZZ_CHECK(place->absolute == w.folder.canonicalPath() / relative);
    // Its folder is one the kernel finds beneath Downloads.
    const auto slash = relative.rfind('/');
    if (slash != std::string::npos) {
        const UniqueFd root(::open(w.downloads.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
        FUZZ_CHECK(openBeneath(root.get(), relative.substr(0, slash), O_DIRECTORY).ok());
    }
}

} // namespace

FUZZ_TARGET(bytes) {
    static const World w;
    // As given, and as a name typed in Downloads (the command line joins relative words so).
    check(w, bytes.toStdString());
    check(w, w.downloads.native() + "/" + bytes.toStdString());
}
