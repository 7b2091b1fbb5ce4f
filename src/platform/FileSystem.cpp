#include "platform/FileSystem.h"

#include <sys/stat.h>

#include <climits>
#include <cstdlib>

namespace fadebin {

bool pathExists(const path& p) {
    struct stat st {};
    return ::stat(p.c_str(), &st) == 0;
}

path standardized(const path& p) {
    path normal = p.lexically_normal();
    // "/a/b/" normalises to "/a/b/"; drop the empty last component.
    if (!normal.has_filename() && normal.has_relative_path())
        normal = normal.parent_path();
    return normal;
}

path resolvedPath(const path& p) {
    const path clean = standardized(p);
    // Resolve the longest prefix that exists, keep the rest as written.
    path existing = clean;
    path rest;
    while (!existing.empty()) {
        char buffer[PATH_MAX];
        if (::realpath(existing.c_str(), buffer) != nullptr) {
            path resolved(buffer);
            return rest.empty() ? resolved : standardized(resolved / rest);
        }
        if (existing == existing.root_path())
            break;
        rest = rest.empty() ? existing.filename() : existing.filename() / rest;
        existing = existing.parent_path();
    }
    return clean;
}

QString toQString(const path& p) {
    return QString::fromUtf8(p.native());
}

path fromQString(const QString& s) {
    return path(s.toUtf8().toStdString());
}

QString displayName(const path& p) {
    return QString::fromUtf8(standardized(p).filename().native());
}

QByteArray logName(const path& p) {
    return displayName(p).toUtf8();
}

std::string lowerExtension(const std::string& name) {
    const auto dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0 || dot + 1 == name.size())
        return {};
    std::string ext = name.substr(dot + 1);
    for (char& c : ext)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return ext;
}

std::string lowerExtension(const path& p) {
    return lowerExtension(p.filename().native());
}

} // namespace fadebin
