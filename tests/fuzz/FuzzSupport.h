#pragma once

#include "platform/Log.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace fadebin::fuzz {

// The input as the readers get their bytes in the program: an ordinary, owned QByteArray.
inline QByteArray bytesOf(const std::uint8_t* data, std::size_t size) {
    return QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}

// Every line still goes through the formatting and the escaping it would get on standard
// error, but none reaches the system log: a run logs millions of them.
inline void quietLog() {
    setLogSink(
        [](const LogLine& line) {
            [[maybe_unused]] const std::string escaped = escapeControlCharacters(line.message);
        },
        false);
}

// Every target is quiet from its start.
[[maybe_unused]] static const bool loggingQuietly = (quietLog(), true);

[[noreturn]] inline void broken(const char* condition, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: broken: %s\n", file, line, condition);
    std::abort();
}

} // namespace fadebin::fuzz

// A property every answer of the reader must have; libFuzzer keeps the input that breaks it.
#define FUZZ_CHECK(condition)                                                                      \
    ((condition) ? static_cast<void>(0) : ::fadebin::fuzz::broken(#condition, __FILE__, __LINE__))

// A fuzz target's body, over the input as the owned QByteArray `bytes`; it returns early
// with a plain return.
#define FUZZ_TARGET(bytes)                                                                         \
    static void fuzzOne(const QByteArray& bytes);                                                  \
    extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {            \
        fuzzOne(::fadebin::fuzz::bytesOf(data, size));                                             \
        return 0;                                                                                  \
    }                                                                                              \
    static void fuzzOne(const QByteArray& bytes)
