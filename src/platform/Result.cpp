#include "platform/Result.h"

#include <cstring>

namespace fadebin {

std::string SysError::text() const {
    std::string message = std::strerror(code);
    return context.empty() ? message : context + ": " + message;
}

} // namespace fadebin
