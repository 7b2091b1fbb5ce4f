#pragma once

// Where to click on the program's open notch, found by laying out the same content in this
// process (offscreen) and looking its items up by name.
#include "notch/ContentFixture.h"

namespace fadebin::test {

// Where the open row of one pending file has its "1h" option and its "Done" button, from
// the top left of the open panel: the notch content in this process, in a panel as wide as
// the program's, with the items found by name.
struct PendingRowPoints {
    QPointF oneHour;       // the option's centre
    double oneHourTop = 0; // its top edge, where the selection ring is drawn
    QPointF done;          // the button's centre
    double panelWidth = 0;
};

inline PendingRowPoints pendingRowPoints() {
    ContentFixture content;
    content.download("invoice.pdf");
    content.settle();
    PendingRowPoints points;
    points.panelWidth = content.panel->width();
    QQuickItem* option = content.find(QStringLiteral("option-oneHour"));
    QQuickItem* done = content.find(QStringLiteral("doneButton"));
    if (option == nullptr || done == nullptr) {
        ADD_FAILURE() << "the open row has no 1h option or no Done button";
        return points;
    }
    const auto centre = [](QQuickItem* item) {
        return item->mapToScene({item->width() / 2, item->height() / 2});
    };
    points.oneHour = centre(option);
    points.oneHourTop = option->mapToScene({0, 0}).y();
    points.done = centre(done);
    return points;
}

// The "more" button of a file scheduled for an hour, in the panel a newer download opens, as
// that panel lays it out; none when the content has no such button.
inline std::optional<QPointF> moreButton(const std::string& scheduled, const std::string& newer) {
    ContentFixture content;
    content.decided(scheduled, ExpiryOption::oneHour);
    content.download(newer);
    content.settle();
    QQuickItem* more = content.find(QStringLiteral("more-") + QString::fromStdString(scheduled));
    if (more == nullptr)
        return std::nullopt;
    return more->mapToScene({more->width() / 2, more->height() / 2});
}

} // namespace fadebin::test
