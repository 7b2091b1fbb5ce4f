// Moves each argument to the trash, one after the other, the way the app does: through a
// descriptor of the folder holding it, the item opened beneath that folder. Used by the
// trash benchmark to time one process per file, so it links nothing but the trash code.
#include "platform/DownloadsFolder.h"
#include "platform/Trash.h"

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    int status = 0;
    for (int i = 1; i < argc; ++i) {
        const std::filesystem::path item(argv[i]);
        const fadebin::DownloadsFolder folder(item.parent_path());
        auto opened = folder.openItem(item);
        const auto moved = opened ? fadebin::moveToTrash(*opened)
                                  : fadebin::Result<std::filesystem::path>(opened.error());
        if (!moved) {
            const auto& error = moved.error();
            std::fprintf(stderr, "%s: %s%s%s\n", argv[i], error.context.c_str(),
                         error.context.empty() ? "" : ": ", std::strerror(error.code));
            status = 1;
        }
    }
    return status;
}
