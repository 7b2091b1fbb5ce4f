#pragma once

#include "platform/Clock.h"

#include <QString>
#include <QStringView>

#include <array>
#include <optional>
#include <vector>

namespace fadebin {

// How long to keep a download. The declaration order is the order of every list shown to
// the user; the raw value is the persisted form (the default action, encoded records).
enum class ExpiryOption {
    tenSeconds,
    thirtySeconds,
    thirtyMinutes,
    oneHour,
    oneDay,
    tenDays,
    forever
};

// The raw string, which is also the option's id.
[[nodiscard]] QString rawValue(ExpiryOption option);
// Exact, case-sensitive match of a raw string; anything else is no option.
[[nodiscard]] std::optional<ExpiryOption> optionFromRaw(QStringView raw);
// The raw string or the short word people type ("10s", "30s", "30m", "1h", "1d", "10d", "keep").
[[nodiscard]] std::optional<ExpiryOption> optionFromWord(QStringView word);
// A fixed number of seconds, with no calendar arithmetic; none for forever.
[[nodiscard]] std::optional<Duration> duration(ExpiryOption option);
[[nodiscard]] std::optional<double> durationSeconds(ExpiryOption option);
// The long text for lists and menus.
[[nodiscard]] QString label(ExpiryOption option);
// The compact text on the notch's row of buttons.
[[nodiscard]] QString shortLabel(ExpiryOption option);

namespace expiryOptions {

inline constexpr std::array<ExpiryOption, 2> testTimers{ExpiryOption::tenSeconds,
                                                        ExpiryOption::thirtySeconds};
inline constexpr std::array<ExpiryOption, 5> standard{ExpiryOption::thirtyMinutes,
                                                      ExpiryOption::oneHour, ExpiryOption::oneDay,
                                                      ExpiryOption::tenDays, ExpiryOption::forever};
inline constexpr std::array<ExpiryOption, 7> allCases{
    ExpiryOption::tenSeconds, ExpiryOption::thirtySeconds, ExpiryOption::thirtyMinutes,
    ExpiryOption::oneHour,    ExpiryOption::oneDay,        ExpiryOption::tenDays,
    ExpiryOption::forever};

// The options the notch offers: the test timers first when they are shown.
[[nodiscard]] std::vector<ExpiryOption> offered(bool showTestTimers);

} // namespace expiryOptions

} // namespace fadebin
