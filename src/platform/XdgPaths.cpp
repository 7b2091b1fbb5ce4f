#include "platform/XdgPaths.h"

#include <pwd.h>
#include <unistd.h>

#include <array>
#include <cstdlib>

namespace fadebin {

namespace {

std::optional<std::filesystem::path> absoluteVariable(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr || value[0] != '/')
        return std::nullopt;
    return std::filesystem::path(value).lexically_normal();
}

std::optional<std::filesystem::path> underHome(const char* variable, const char* fallback) {
    if (auto set = absoluteVariable(variable))
        return set;
    if (auto home = homeFolder())
        return (*home / fallback).lexically_normal();
    return std::nullopt;
}

} // namespace

std::optional<std::filesystem::path> homeFolder() {
    if (auto home = absoluteVariable("HOME"))
        return home;
    if (const passwd* entry = ::getpwuid(::getuid());
        entry && entry->pw_dir && entry->pw_dir[0] == '/')
        return std::filesystem::path(entry->pw_dir);
    return std::nullopt;
}

std::optional<std::filesystem::path> dataHome() {
    return underHome("XDG_DATA_HOME", ".local/share");
}

std::optional<std::filesystem::path> configHome() {
    return underHome("XDG_CONFIG_HOME", ".config");
}

} // namespace fadebin
