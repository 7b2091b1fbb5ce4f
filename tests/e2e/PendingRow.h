#pragma once

// Where to click on the open notch (from its top left), found by laying out the same content here.
#include "notch/ContentFixture.h"

namespace fadebin::test {

inline QPointF centreOf(const QQuickItem* item) {
    return item->mapToScene({item->width() / 2, item->height() / 2});
}

// One pending file's row: the centres of "1h" and "Done", and the top edge of 1h's ring.
struct PendingRowPoints {
    QPointF oneHour, done;
    double oneHourTop = 0;
};

inline PendingRowPoints pendingRowPoints() {
    ContentFixture content;
    content.download("invoice.pdf");
    content.settle();
    const QQuickItem* option = content.find(QStringLiteral("option-oneHour"));
    const QQuickItem* done = content.find(QStringLiteral("doneButton"));
    if (option == nullptr || done == nullptr) {
        ADD_FAILURE() << "the open row has no 1h option or no Done button";
        return {};
    }
    return {centreOf(option), centreOf(done), option->mapToScene({0, 0}).y()};
}

} // namespace fadebin::test
