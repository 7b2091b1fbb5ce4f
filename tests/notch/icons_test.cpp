#include "icons/Icon.h"
#include "notch/NotchShape.h"

#include <QPainter>

#include <gtest/gtest.h>

#include <iostream>

using namespace fadebin;

namespace {

int coverage(const QImage& image, const QRect& frame = {}) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            count += image.pixelColor(x, y).alpha() > 0 && !frame.contains(x, y) ? 1 : 0;
    }
    return count;
}

QImage canvas(int width, int height, double ratio) {
    QImage image(static_cast<int>(width * ratio), static_cast<int>(height * ratio),
                 QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    return image;
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
            QImage big = canvas(48, 48, 2);
            QPainter painter(&big);
            Icon{asset, 24, isBold}.paint(painter, QPointF(12, 12), foreground);
            painter.end();
            EXPECT_EQ(coverage(big, QRect(24, 24, 48, 48)), 0) << (isBold ? "bold" : "plain");
        }
    }
}

// Every kind has a tile of its own (a kind left without its icon or tint would look like
// another). The tiles join every icon, plain and bold, and the outline in each state, with
// and without a camera housing, on one picture for people to look at.
TEST(KindTiles, EachKindLooksDifferentAndAllGoOnTheContactSheet) {
    std::vector<QImage> tiles;
    for (int k = 0; k < fileKindCount; ++k) {
        QImage tile = canvas(44, 44, 2);
        QPainter tilePainter(&tile);
        FileIconTile{static_cast<FileKind>(k), 44}.paint(tilePainter, QPointF(0, 0));
        tilePainter.end();
        for (std::size_t other = 0; other < tiles.size(); ++other)
            EXPECT_NE(tile, tiles[other]) << "kinds " << other << " and " << k;
        tiles.push_back(tile);
    }

    constexpr int width = 1260;
    const std::vector<IconAsset> assets = IconAsset::all();
    const int tilesTop = 24 + (static_cast<int>(assets.size()) + 10) / 11 * 48;
    const int shapesTop = tilesTop + 72; // then two rows of outlines, 324 each
    QImage sheet = canvas(width, shapesTop + 2 * 324, 2);
    sheet.fill(QColor(28, 28, 30));
    QPainter painter(&sheet);
    painter.setRenderHint(QPainter::Antialiasing);

    for (std::size_t i = 0; i < assets.size(); ++i) {
        const QPointF at(24 + static_cast<double>(i % 11) * 88, 24 + (i / 11) * 48.0);
        Icon{assets[i], 32, false}.paint(painter, at, Qt::white);
        Icon{assets[i], 32, true}.paint(painter, at + QPointF(40, 0), Qt::white);
    }
    for (int k = 0; k < fileKindCount; ++k)
        painter.drawImage(QPointF(24 + k * 54, tilesTop), tiles[static_cast<std::size_t>(k)]);
    // Collapsed, toast and expanded: with a housing (flared) above, without one below.
    const std::pair<QSizeF, NotchShape> rows[2][3] = {
        {{{268, 32}, {6, 12, true}}, {{448, 104}, {14, 22, true}}, {{448, 300}, {14, 22, true}}},
        {{{256, 32}, {0, 16, false}}, {{420, 104}, {0, 22, false}}, {{420, 300}, {0, 22, false}}},
    };
    for (int r = 0; r < 2; ++r) {
        double x = 24;
        for (const auto& [size, shape] : rows[r]) {
            const QRectF frame(QPointF(x, shapesTop + r * 324), size);
            painter.fillPath(shape.path(frame), QColor(200, 200, 205));
            x += size.width() + 24;
        }
    }
    painter.end();

    const QString file = QStringLiteral(FADEBIN_CONTACT_SHEET);
    ASSERT_TRUE(sheet.save(file, "PNG")) << file.toStdString();
    std::cout << "contact sheet: " << file.toStdString() << "\n";
}

} // namespace
