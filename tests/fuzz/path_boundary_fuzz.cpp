// A path from a user (the command line, the bus, a drop) at the boundary where it becomes a
// place in Downloads, over a real folder with links that stay inside and links that lead out.
#include "FuzzSupport.h"
#include "platform/DownloadsFolder.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

using namespace fadebin;
namespace fs = std::filesystem;

namespace {

struct World {
    fs::path root;
    fs::path downloads;
    DownloadsFolder folder;
};

World& world() {
    static World made = [] {
        char name[] = "/tmp/path_boundary_fuzz-XXXXXX";
        World w;
        w.root = ::mkdtemp(name);
        w.downloads = w.root / "Downloads";
        fs::create_directories(w.downloads / "sub" / "deeper");
        fs::create_directories(w.root / "outside");
        fs::create_directory_symlink("sub", w.downloads / "in");
        fs::create_directory_symlink("../outside", w.downloads / "out");
        fs::create_directory_symlink("/", w.downloads / "abs");
        fs::create_directory_symlink("loop", w.downloads / "loop");
        w.folder = DownloadsFolder(w.downloads);
        std::atexit([] { fs::remove_all(world().root); });
        return w;
    }();
    return made;
}

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

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const World& w = world();
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    // As given, and as a name typed in Downloads (the command line joins relative words so).
    check(w, bytes);
    check(w, w.downloads.native() + "/" + bytes);
    return 0;
}
