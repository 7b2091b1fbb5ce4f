#include "platform/OpenedItem.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>

namespace fadebin {

std::optional<std::string> pathOfDescriptor(int fd) {
    const std::string link = "/proc/self/fd/" + std::to_string(fd);
    std::array<char, PATH_MAX> buffer{};
    const ssize_t length = ::readlink(link.c_str(), buffer.data(), buffer.size());
    if (length <= 0 || static_cast<std::size_t>(length) >= buffer.size() || buffer[0] != '/')
        return std::nullopt;
    return std::string(buffer.data(), static_cast<std::size_t>(length));
}

namespace {

struct FreeDeleter {
    void operator()(char* p) const { std::free(p); }
};

} // namespace

Result<OpenedItem> openItem(const std::filesystem::path& item) {
    std::string text = item.native();
    while (text.size() > 1 && text.back() == '/')
        text.pop_back();
    if (text.empty())
        return SysError{ENOENT, {}};

    const std::string_view whole(text);
    const auto slash = whole.rfind('/');
    const bool bare = slash == std::string_view::npos;
    // Built in one go: assigning into these strings trips a false GCC 12 -Wrestrict at -O3.
    const std::string parent(bare ? std::string_view(".")
                                  : (slash == 0 ? std::string_view("/") : whole.substr(0, slash)));
    OpenedItem opened;
    opened.name = std::string(bare ? whole : whole.substr(slash + 1));
    if (opened.name.empty() || opened.name == "." || opened.name == "..")
        return SysError{EINVAL, "not an item that can be moved or removed"};

    opened.folder.reset(::open(parent.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!opened.folder)
        return SysError::fromErrno();
    if (::fstat(opened.folder.get(), &opened.folderFacts) != 0)
        return SysError::fromErrno();
    if (::fstatat(opened.folder.get(), opened.name.c_str(), &opened.facts, AT_SYMLINK_NOFOLLOW) !=
        0)
        return SysError::fromErrno();

    if (auto real = pathOfDescriptor(opened.folder.get())) {
        opened.folderPath = std::move(*real);
    } else {
        // No /proc: fall back to resolving the name we were given.
        std::unique_ptr<char, FreeDeleter> resolved(::realpath(parent.c_str(), nullptr));
        if (!resolved)
            return SysError::fromErrno();
        opened.folderPath = resolved.get();
    }
    return opened;
}

} // namespace fadebin
