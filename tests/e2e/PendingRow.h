#pragma once

// Where to click on the program's open notch, found by laying out the same content in this
// process (offscreen) and looking its items up by name; points from the open panel's top left.
#include "notch/ContentFixture.h"

namespace fadebin::test {

inline QPointF centreOf(const QQuickItem* item) {
    return item->mapToScene({item->width() / 2, item->height() / 2});
}

// The open row of one pending file: the centres of its "1h" option and its "Done" button, and
// the option's top edge, where its selection ring is drawn.
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
