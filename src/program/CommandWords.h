#pragma once

#include <QByteArray>

namespace fadebin {

// A file named on the command line as the running program needs it: absolute, a relative
// word taken from the folder the command was typed in. Bytes throughout, so that a name that
// is not UTF-8 reaches the program intact.
[[nodiscard]] inline QByteArray absoluteWord(const QByteArray& word, const QByteArray& here) {
    return word.startsWith('/') ? word : here + '/' + word;
}

} // namespace fadebin
