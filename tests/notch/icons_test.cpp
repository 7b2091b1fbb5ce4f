#include "icons/Icon.h"
#include "notch/NotchShape.h"
#include "support/ScreenGrab.h"

#include <QPainter>

#include <gtest/gtest.h>

#include <iostream>

using namespace fadebin;
using fadebin::test::clearCanvas;

namespace {

int coverage(const QImage& image, const QRect& frame = {}) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            count += image.pixelColor(x, y).alpha() > 0 && !frame.contains(x, y) ? 1 : 0;
    }
    return count;
}

TEST(Icon, EveryIconExistsAndDrawsVisiblyInItsFrameBoldOrPlain) {
    const QColor foreground(255, 40, 0);
    std::vector<IconAsset> assets = IconAsset::all();
    // And those the settings, onboarding and feedback windows draw.
    for (const char* name : {"settings01", "notch01", "doc01", "alert02", "tick02"})
        assets.emplace_back(QString::fromLatin1(name));
    for (const IconAsset& asset : assets) {
        SCOPED_TRACE(asset.name().toStdString());
        EXPECT_TRUE(asset.exists());
        const QImage plain = Icon{asset, 24, false}.render(foreground, 2);
        const QImage bold = Icon{asset, 24, true}.render(foreground, 2);
        ASSERT_EQ(plain.size(), QSize(48, 48));
        ASSERT_EQ(bold.size(), plain.size());
        const int plainCover = coverage(plain);
        EXPECT_GT(plainCover, 48 * 48 / 20);   // visible: at least 5 % of the frame
        EXPECT_GT(coverage(bold), plainCover); // thicker strokes, the same frame
        // Drawn into a larger picture, neither leaves its frame.
        for (bool isBold : {false, true}) {
            QImage big = clearCanvas(48, 48, 2);
            QPainter painter(&big);
            Icon{asset, 24, isBold}.paint(painter, QPointF(12, 12), foreground);
            painter.end();
            EXPECT_EQ(coverage(big, QRect(24, 24, 48, 48)), 0) << (isBold ? "bold" : "plain");
        }
    }
}

// Every kind has a tile of its own: a kind left without its icon or tint would look like
// another.
TEST(KindTiles, EachKindLooksDifferent) {
    std::vector<QImage> tiles;
    for (int k = 0; k < fileKindCount; ++k) {
        QImage tile = clearCanvas(44, 44, 2);
        QPainter tilePainter(&tile);
        FileIconTile{static_cast<FileKind>(k), 44}.paint(tilePainter, QPointF(0, 0));
        tilePainter.end();
        for (std::size_t other = 0; other < tiles.size(); ++other)
            EXPECT_NE(tile, tiles[other]) << "kinds " << other << " and " << k;
        tiles.push_back(tile);
    }
}

} // namespace
