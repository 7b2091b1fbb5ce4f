// The pictures AppStream lists (resources/screenshots): 16:9 at 1600x900, the size software
// centres show without scaling up, each thing shown at the top or middle of a grey desktop.
#include "Pictures.h"

#include <QPainter>

namespace fadebin::pictures {

namespace {

constexpr QSize canvasSize(1600, 900);
const QColor desktop(0x8a, 0x8f, 0x98);

// The picture (rendered at twice the size) on the desktop, centred across: the notch at the
// top, cut at the bottom where only empty desktop is; a window in the middle, made smaller to
// fit with a margin.
void place(const QImage& picture, bool atTop, const QString& name) {
    if (picture.isNull())
        return missed(name, QStringLiteral("nothing was rendered"));
    QImage canvas(canvasSize, QImage::Format_RGB32);
    canvas.fill(desktop);
    QPainter painter(&canvas);
    const int room = canvasSize.height() - 80;
    const QImage shown =
        atTop ? picture.copy(0, 0, picture.width(), std::min(picture.height(), canvasSize.height()))
        : picture.height() > room ? picture.scaledToHeight(room, Qt::SmoothTransformation)
                                  : picture;
    const int x = (canvasSize.width() - shown.width()) / 2;
    const int y = atTop ? 0 : (canvasSize.height() - shown.height()) / 2;
    if (!atTop) {
        // A soft edge, as a window manager would draw around the window.
        for (int i = 1; i <= 8; ++i)
            painter.fillRect(QRect(x - i, y - i + 3, shown.width() + 2 * i, shown.height() + 2 * i),
                             QColor(0, 0, 0, 10));
    }
    painter.drawImage(x, y, shown);
    painter.end();
    save(canvas, name);
}

} // namespace

void renderAppStream() {
    place(notchShowcase(), true, QStringLiteral("appstream/notch"));
    place(settingsShowcase(), false, QStringLiteral("appstream/settings"));
}

} // namespace fadebin::pictures
