#include "notch/Icon.h"
#include "notch/NotchShape.h"

#include <QPainter>
#include <QSet>

#include <gtest/gtest.h>

#include <iostream>
#include <unordered_set>

using namespace fadebin;

namespace {

int coverage(const QImage& image) {
    int covered = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            covered += qAlpha(image.pixel(x, y)) > 0 ? 1 : 0;
    }
    return covered;
}

QImage canvas(int width, int height, double ratio) {
    QImage image(static_cast<int>(width * ratio), static_cast<int>(height * ratio),
                 QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    return image;
}

} // namespace

TEST(IconAsset, EveryNameTheNotchUsesResolvesAndKindsHaveTheirOwn) {
    const std::vector<IconAsset> assets = IconAsset::all();
    QSet<QString> names;
    for (const IconAsset& asset : assets) {
        EXPECT_TRUE(asset.exists()) << asset.name().toStdString();
        names.insert(asset.name());
    }
    EXPECT_EQ(assets.size(), 29u);
    EXPECT_EQ(names.size(), 29);
    for (const char* name :
         {"clock01", "clock04", "file-shredder", "tick02", "folder-export", "alert02", "inbox",
          "settings01", "more-horizontal-circle01", "pause", "play", "checkmark-circle02"})
        EXPECT_TRUE(names.contains(QString::fromLatin1(name))) << name;

    QSet<QString> kindNames;
    for (int k = 0; k < fileKindCount; ++k) {
        const auto kind = static_cast<FileKind>(k);
        EXPECT_EQ(IconAsset::forKind(kind).name(), QString::fromLatin1(iconName(kind)));
        kindNames.insert(IconAsset::forKind(kind).name());
    }
    EXPECT_EQ(kindNames.size(), fileKindCount);
    EXPECT_FALSE(IconAsset(QStringLiteral("no-such-icon")).exists());
}

TEST(IconAsset, ComparedAndHashedByName) {
    const IconAsset a(QStringLiteral("inbox"));
    EXPECT_EQ(a, IconAsset(QStringLiteral("inbox")));
    EXPECT_NE(a, IconAsset(QStringLiteral("play")));
    std::unordered_set<IconAsset> set{a, IconAsset(QStringLiteral("inbox")),
                                      IconAsset(QStringLiteral("play"))};
    EXPECT_EQ(set.size(), 2u);
    EXPECT_EQ(qHash(a), qHash(IconAsset(QStringLiteral("inbox"))));
}

TEST(Icon, EachIconDrawsInTheForegroundInsideItsFrameAndBoldCoversPlain) {
    const QColor foreground(255, 40, 0);
    for (const IconAsset& asset : IconAsset::all()) {
        SCOPED_TRACE(asset.name().toStdString());
        const QImage plain = Icon{asset, 24, false}.render(foreground, 2);
        const QImage bold = Icon{asset, 24, true}.render(foreground, 2);
        ASSERT_EQ(plain.size(), QSize(48, 48));
        ASSERT_EQ(bold.size(), plain.size()); // the same frame

        const int plainCover = coverage(plain);
        const int boldCover = coverage(bold);
        EXPECT_GT(plainCover, 48 * 48 / 20); // visible: at least 5 % of the frame
        EXPECT_LT(plainCover, 48 * 48 * 3 / 4);
        EXPECT_GT(boldCover, plainCover); // thicker

        int uncovered = 0;
        for (int y = 0; y < 48; ++y) {
            for (int x = 0; x < 48; ++x) {
                const QRgb p = plain.pixel(x, y);
                const QRgb b = bold.pixel(x, y);
                if (qAlpha(p) > 128 && qAlpha(b) + 8 < qAlpha(p))
                    ++uncovered;
                // Template drawing: every covered pixel has the foreground's hue.
                if (qAlpha(p) > 200) {
                    const QColor c = plain.pixelColor(x, y);
                    EXPECT_NEAR(c.red(), 255, 3);
                    EXPECT_NEAR(c.green(), 40, 3);
                    EXPECT_NEAR(c.blue(), 0, 3);
                }
            }
        }
        EXPECT_EQ(uncovered, 0);

        // Drawn into a larger picture, neither leaves its frame.
        for (bool isBold : {false, true}) {
            QImage big = canvas(48, 48, 2);
            {
                QPainter painter(&big);
                Icon{asset, 24, isBold}.paint(painter, QPointF(12, 12), foreground);
            }
            int outside = 0;
            for (int y = 0; y < big.height(); ++y) {
                for (int x = 0; x < big.width(); ++x) {
                    const bool inFrame = x >= 24 && x < 72 && y >= 24 && y < 72;
                    if (!inFrame && qAlpha(big.pixel(x, y)) > 0)
                        ++outside;
                }
            }
            EXPECT_EQ(outside, 0) << (isBold ? "bold" : "plain");
        }
    }
}

TEST(Icon, MissingAssetDrawsNothingAndGivesNoMenuImage) {
    const IconAsset missing(QStringLiteral("no-such-icon"));
    EXPECT_EQ(coverage(Icon{missing, 16, true}.render(Qt::white)), 0);
    EXPECT_TRUE(menuImage(missing).isNull());
    const QImage menu = menuImage(IconAsset(QStringLiteral("settings01")));
    EXPECT_EQ(menu.size(), QSize(15, 15));
    EXPECT_GT(coverage(menu), 0);
}

TEST(FileIconTile, TintedSquareWithTheKindIconCentred) {
    for (int k = 0; k < fileKindCount; ++k) {
        const auto kind = static_cast<FileKind>(k);
        SCOPED_TRACE(iconName(kind));
        const QImage tile = FileIconTile{kind, 40}.render(1);
        ASSERT_EQ(tile.size(), QSize(40, 40));
        // Rounded corners (radius 0.28 x size) leave the very corner empty.
        EXPECT_EQ(qAlpha(tile.pixel(0, 0)), 0);
        EXPECT_EQ(qAlpha(tile.pixel(39, 39)), 0);
        // The ground is the kind's colour at 0.14 opacity; the icon lies within the centre
        // 0.6 x size square, so a point near the edge shows the ground alone.
        const QColor ground = tile.pixelColor(2, 20);
        EXPECT_NEAR(ground.alphaF(), 0.14, 0.02);
        const QColor expected = toQColor(tint(kind));
        EXPECT_NEAR(ground.redF(), expected.redF(), 0.08);
        EXPECT_NEAR(ground.greenF(), expected.greenF(), 0.08);
        EXPECT_NEAR(ground.blueF(), expected.blueF(), 0.08);
        // Something opaque in the middle: the icon, in the kind's colour.
        int opaque = 0;
        for (int y = 8; y < 32; ++y) {
            for (int x = 8; x < 32; ++x)
                opaque += qAlpha(tile.pixel(x, y)) > 200 ? 1 : 0;
        }
        EXPECT_GT(opaque, 20);
        for (int y = 0; y < 40; ++y) {
            for (int x = 0; x < 40; ++x) {
                const bool outsideIcon = x < 7 || x >= 33 || y < 7 || y >= 33;
                if (outsideIcon) {
                    EXPECT_LT(qAlpha(tile.pixel(x, y)), 60) << x << "," << y;
                }
            }
        }
    }
}

// Every icon plain and bold, every kind tile and the outline in each state, with and
// without a camera housing, in one picture to look at.
TEST(ContactSheet, IsWrittenUnderTheBuildFolder) {
    constexpr double ratio = 2;
    constexpr int width = 1260;
    constexpr int iconCell = 88;
    const std::vector<IconAsset> assets = IconAsset::all();
    const int iconRows = (static_cast<int>(assets.size()) + 10) / 11;
    const int iconsHeight = 24 + iconRows * 48 * 2 + 24;
    const int tilesTop = iconsHeight;
    const int shapesTop = tilesTop + 72;
    const int height = shapesTop + 2 * (300 + 24) + 24;

    QImage sheet = canvas(width, height, ratio);
    QPainter painter(&sheet);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(QRectF(0, 0, width, shapesTop), QColor(28, 28, 30));
    painter.fillRect(QRectF(0, shapesTop, width, height - shapesTop), QColor(200, 200, 205));

    // Icons: white on dark in the upper band, black on light below it, plain then bold.
    for (std::size_t i = 0; i < assets.size(); ++i) {
        const double x = 24 + static_cast<double>(i % 11) * iconCell;
        const double y = 24 + static_cast<double>(i / 11) * 48;
        Icon{assets[i], 32, false}.paint(painter, QPointF(x, y), Qt::white);
        Icon{assets[i], 32, true}.paint(painter, QPointF(x + 40, y), Qt::white);
        const double lightY = y + iconRows * 48;
        painter.fillRect(QRectF(x - 4, lightY - 4, 80, 40), QColor(235, 235, 240));
        Icon{assets[i], 32, false}.paint(painter, QPointF(x, lightY), Qt::black);
        Icon{assets[i], 32, true}.paint(painter, QPointF(x + 40, lightY), Qt::black);
    }

    for (int k = 0; k < fileKindCount; ++k)
        FileIconTile{static_cast<FileKind>(k), 44}.paint(painter, QPointF(24 + k * 54, tilesTop));

    // The outline per state: collapsed, toast, expanded; with a housing (flared, 200-point
    // notch) on the first row, without one on the second.
    struct Outline {
        double width;
        double height;
        NotchShape shape;
    };
    const std::vector<std::vector<Outline>> rows{
        {{268, 32, {6, 12, true}}, {448, 104, {14, 22, true}}, {448, 300, {14, 22, true}}},
        {{256, 32, {0, 16, false}}, {420, 104, {0, 22, false}}, {420, 300, {0, 22, false}}},
    };
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const double top = shapesTop + 24 + static_cast<double>(r) * 324;
        double x = 24;
        // The screen's top edge the notch hangs from.
        painter.fillRect(QRectF(0, top - 3, width, 3), QColor(60, 60, 64));
        for (const Outline& o : rows[r]) {
            const QRectF rect(x, top, o.width, o.height);
            painter.fillPath(o.shape.path(rect), Qt::black);
            x += o.width + 24;
        }
    }
    painter.end();

    const QString file = QStringLiteral(FADEBIN_CONTACT_SHEET);
    ASSERT_TRUE(sheet.save(file, "PNG")) << file.toStdString();
    const QImage back(file);
    EXPECT_EQ(back.size(), sheet.size());
    std::cout << "contact sheet: " << file.toStdString() << "\n";
}
