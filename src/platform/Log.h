#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace fadebin {

enum class LogCategory { App, Watcher, Expiry, Notch };
enum class LogLevel { Debug, Info, Error };

[[nodiscard]] const char* categoryName(LogCategory category);

// The system log. Messages are fixed printf-style format strings; they go to the
// systemd journal when one is listening, to standard error otherwise.
void logMessage(LogCategory category, LogLevel level, const char* format, ...)
    __attribute__((format(printf, 3, 4)));

#define FADEBIN_LOG_DEBUG(category, ...)                                                           \
    ::fadebin::logMessage(category, ::fadebin::LogLevel::Debug, __VA_ARGS__)
#define FADEBIN_LOG_INFO(category, ...)                                                            \
    ::fadebin::logMessage(category, ::fadebin::LogLevel::Info, __VA_ARGS__)
#define FADEBIN_LOG_ERROR(category, ...)                                                           \
    ::fadebin::logMessage(category, ::fadebin::LogLevel::Error, __VA_ARGS__)

// The text as it goes to standard error: control characters (C0, DEL and C1) written as
// escapes, so that a file name with a line break cannot start a line of its own.
[[nodiscard]] std::string escapeControlCharacters(std::string_view text);

struct LogLine {
    LogCategory category;
    LogLevel level;
    std::string format;  // the format string as written in the code
    std::string message; // the formatted text
};

// Lets tests see every line. While a sink is installed, lines still reach the log.
using LogSink = std::function<void(const LogLine&)>;
void setLogSink(LogSink sink);

} // namespace fadebin
