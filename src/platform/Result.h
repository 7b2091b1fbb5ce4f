#pragma once

#include <QString>

#include <cerrno>
#include <optional>
#include <string>
#include <utility>
#include <variant>

namespace fadebin {

// A failed system call: the errno it set and the system's text for it.
struct SysError {
    int code = 0;
    std::string context; // what was being done, when the text alone would not say

    [[nodiscard]] static SysError fromErrno() { return SysError{errno, {}}; }
    [[nodiscard]] std::string text() const;
    [[nodiscard]] QString description() const { return QString::fromStdString(text()); }
};

template <class T> class [[nodiscard]] Result {
public:
    Result(T value)
        : m_state(std::move(value)) {}
    Result(SysError error)
        : m_state(std::move(error)) {}

    [[nodiscard]] bool ok() const { return m_state.index() == 0; }
    explicit operator bool() const { return ok(); }
    [[nodiscard]] const T& value() const& { return std::get<0>(m_state); }
    [[nodiscard]] T& value() & { return std::get<0>(m_state); }
    [[nodiscard]] T&& value() && { return std::get<0>(std::move(m_state)); }
    [[nodiscard]] const T* operator->() const { return &value(); }
    [[nodiscard]] const T& operator*() const& { return value(); }
    [[nodiscard]] const SysError& error() const { return std::get<1>(m_state); }

private:
    std::variant<T, SysError> m_state;
};

// The result of an operation that returns nothing but may fail.
class [[nodiscard]] Status {
public:
    Status() = default;
    Status(SysError error)
        : m_error(std::move(error)) {}
    [[nodiscard]] static Status success() { return {}; }
    [[nodiscard]] bool ok() const { return !m_error.has_value(); }
    explicit operator bool() const { return ok(); }
    [[nodiscard]] const SysError& error() const { return *m_error; }

private:
    std::optional<SysError> m_error;
};

} // namespace fadebin
