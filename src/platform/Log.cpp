#include "platform/Log.h"

#include <systemd/sd-journal.h>

#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace fadebin {

namespace {

std::mutex& sinkMutex() {
    static std::mutex mutex;
    return mutex;
}

LogSink& sink() {
    static LogSink s;
    return s;
}

bool journalAvailable() {
    // sd_journal_send writes to this socket; without it the journal is not running.
    static const bool available = [] {
        struct stat st {};
        return ::stat("/run/systemd/journal/socket", &st) == 0 && S_ISSOCK(st.st_mode);
    }();
    return available;
}

int priorityOf(LogLevel level) {
    switch (level) {
    case LogLevel::Debug:
        return 7;
    case LogLevel::Info:
        return 6;
    case LogLevel::Error:
        return 3;
    }
    return 6;
}

const char* levelName(LogLevel level) {
    switch (level) {
    case LogLevel::Debug:
        return "debug";
    case LogLevel::Info:
        return "info";
    case LogLevel::Error:
        return "error";
    }
    return "info";
}

} // namespace

const char* categoryName(LogCategory category) {
    switch (category) {
    case LogCategory::App:
        return "app";
    case LogCategory::Watcher:
        return "watcher";
    case LogCategory::Expiry:
        return "expiry";
    case LogCategory::Notch:
        return "notch";
    }
    return "app";
}

std::string escapeControlCharacters(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    char escape[8];
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        const auto next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0u;
        if (byte == '\n') {
            out += "\\n";
        } else if (byte == '\t') {
            out += "\\t";
        } else if (byte == '\r') {
            out += "\\r";
        } else if (byte < 0x20 || byte == 0x7f) {
            std::snprintf(escape, sizeof escape, "\\x%02x", byte);
            out += escape;
        } else if (byte == 0xc2 && next >= 0x80 && next <= 0x9f) {
            // U+0080 to U+009F, which some terminals obey as commands.
            std::snprintf(escape, sizeof escape, "\\u%04x", next);
            out += escape;
            ++i;
        } else {
            out += static_cast<char>(byte);
        }
    }
    return out;
}

void setLogSink(LogSink newSink) {
    std::lock_guard lock(sinkMutex());
    sink() = std::move(newSink);
}

void logMessage(LogCategory category, LogLevel level, const char* format, ...) {
    std::string text;
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    // The format is always a literal at the call site; the attribute on the declaration checks it.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    const int length = std::vsnprintf(nullptr, 0, format, args);
    if (length >= 0) {
        text.resize(static_cast<std::size_t>(length) + 1);
        std::vsnprintf(text.data(), text.size(), format, again);
        text.resize(static_cast<std::size_t>(length));
    }
#pragma GCC diagnostic pop
    va_end(again);
    va_end(args);
    if (length < 0)
        return;
    const char* buffer = text.c_str();

    {
        std::lock_guard lock(sinkMutex());
        if (sink())
            sink()(LogLine{category, level, format, text});
    }

    if (journalAvailable()) {
        sd_journal_send("MESSAGE=%s", buffer, "PRIORITY=%d", priorityOf(level),
                        "SYSLOG_IDENTIFIER=fadebin", "FADEBIN_SUBSYSTEM=ostrel.Fadebin",
                        "FADEBIN_CATEGORY=%s", categoryName(category), nullptr);
    } else {
        // The journal keeps a message's bytes apart from the next one; a terminal does not.
        std::fprintf(stderr, "fadebin [ostrel.Fadebin:%s] %s: %s\n", categoryName(category),
                     levelName(level), escapeControlCharacters(text).c_str());
    }
}

} // namespace fadebin
