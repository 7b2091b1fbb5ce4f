#include "platform/ExtendedAttributes.h"

#include <sys/xattr.h>

#include <cerrno>

namespace fadebin {

bool hasXattr(const char* p, const char* name) {
    return ::getxattr(p, name, nullptr, 0) > 0;
}

Result<std::optional<QByteArray>> readXattr(const std::filesystem::path& p, const char* name) {
    // The value may change between the size query and the read; try again then.
    for (int attempt = 0; attempt < 4; ++attempt) {
        const ssize_t size = ::getxattr(p.c_str(), name, nullptr, 0);
        if (size < 0) {
            if (errno == ENODATA)
                return std::optional<QByteArray>{};
            return SysError::fromErrno();
        }
        if (size == 0)
            return std::optional<QByteArray>{};
        QByteArray buffer(static_cast<qsizetype>(size), '\0');
        const ssize_t read = ::getxattr(p.c_str(), name, buffer.data(), static_cast<size_t>(size));
        if (read < 0) {
            if (errno == ERANGE)
                continue;
            if (errno == ENODATA)
                return std::optional<QByteArray>{};
            return SysError::fromErrno();
        }
        if (read == 0)
            return std::optional<QByteArray>{};
        buffer.truncate(static_cast<qsizetype>(read));
        return std::optional<QByteArray>(std::move(buffer));
    }
    return SysError{ERANGE, {}};
}

Status writeXattr(const std::filesystem::path& p, const char* name, const QByteArray& value) {
    if (::setxattr(p.c_str(), name, value.constData(), static_cast<size_t>(value.size()), 0) != 0)
        return SysError::fromErrno();
    return {};
}

Status removeXattr(const std::filesystem::path& p, const char* name) {
    if (::removexattr(p.c_str(), name) != 0)
        return SysError::fromErrno();
    return {};
}

} // namespace fadebin
