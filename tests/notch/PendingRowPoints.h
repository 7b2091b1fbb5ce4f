#pragma once

#include <QPointF>

// Where the opened row of the one pending file has its "1h" option and its "Done" button,
// from the top left of the expanded panel (420 wide, without a camera housing). The content
// test holds the layout to these; the end-to-end test clicks them on the real screen.
namespace fadebin::test::pendingRowPoints {

inline const QPointF oneHour{136.4, 128};
inline const QPointF done{358, 186};
// Half the height of an option's segment.
inline constexpr double segmentHalfHeight = 14;

} // namespace fadebin::test::pendingRowPoints
