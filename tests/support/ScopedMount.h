#pragma once

#include <sys/mount.h>
#include <unistd.h>

#include <filesystem>
#include <memory>

namespace fadebin::test {

// A mount made for one test and taken away again, even when the test fails. Only root can
// mount, so each maker returns nothing when it cannot and the test skips.
class ScopedMount {
public:
    ~ScopedMount() { ::umount2(m_dir.c_str(), MNT_DETACH); }
    ScopedMount(const ScopedMount&) = delete;
    ScopedMount& operator=(const ScopedMount&) = delete;

    // A fresh tmpfs on dir: another filesystem with its own device.
    [[nodiscard]] static std::unique_ptr<ScopedMount> tmpfs(const std::filesystem::path& dir,
                                                            const char* options = "mode=0755") {
        if (::geteuid() != 0 || ::mount("tmpfs", dir.c_str(), "tmpfs", 0, options) != 0)
            return nullptr;
        return std::unique_ptr<ScopedMount>(new ScopedMount(dir));
    }

    // A fresh ramfs on dir: a filesystem that tells no birth times and keeps no attributes.
    [[nodiscard]] static std::unique_ptr<ScopedMount> ramfs(const std::filesystem::path& dir) {
        if (::geteuid() != 0 || ::mount("ramfs", dir.c_str(), "ramfs", 0, nullptr) != 0)
            return nullptr;
        return std::unique_ptr<ScopedMount>(new ScopedMount(dir));
    }

    // source's folder shown again at dir: the same filesystem and device, another mount.
    [[nodiscard]] static std::unique_ptr<ScopedMount> bind(const std::filesystem::path& source,
                                                           const std::filesystem::path& dir) {
        if (::geteuid() != 0 || ::mount(source.c_str(), dir.c_str(), nullptr, MS_BIND, nullptr))
            return nullptr;
        return std::unique_ptr<ScopedMount>(new ScopedMount(dir));
    }

    // dir bound onto itself read-only: its contents stay visible but cannot change, which
    // also holds for root (for whom permission bits deny nothing).
    [[nodiscard]] static std::unique_ptr<ScopedMount> readOnly(const std::filesystem::path& dir) {
        if (::geteuid() != 0 || ::mount(dir.c_str(), dir.c_str(), nullptr, MS_BIND, nullptr) != 0)
            return nullptr;
        auto made = std::unique_ptr<ScopedMount>(new ScopedMount(dir));
        const auto flags = MS_REMOUNT | MS_BIND | MS_RDONLY;
        if (::mount(nullptr, dir.c_str(), nullptr, flags, nullptr) != 0)
            return nullptr; // the bound mount goes with `made`
        return made;
    }

private:
    explicit ScopedMount(std::filesystem::path dir)
        : m_dir(std::move(dir)) {}
    std::filesystem::path m_dir;
};

} // namespace fadebin::test
