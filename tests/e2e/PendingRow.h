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

// The "more" button of a file scheduled for an hour, in the panel a newer download opens, as
// that panel lays it out; none when the content has no such button.
inline std::optional<QPointF> moreButton(const std::string& scheduled, const std::string& newer) {
    ContentFixture content;
    content.decided(scheduled, ExpiryOption::oneHour);
    content.download(newer);
    content.settle();
    const QQuickItem* more =
        content.find(QStringLiteral("more-") + QString::fromStdString(scheduled));
    return more != nullptr ? std::optional(centreOf(more)) : std::nullopt;
}

} // namespace fadebin::test
