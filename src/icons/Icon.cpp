#include "icons/Icon.h"

#include <QFile>
#include <QPainter>
#include <QPainterPath>
#include <QSvgRenderer>

#include <array>
#include <cmath>

namespace fadebin {

namespace {

// The notch's own icons; the kind icons come from FileKind.
constexpr std::array notchIconNames{
    "clock01", "clock04",       "file-shredder",
    "tick02",  "folder-export", "alert02",
    "inbox",   "settings01",    "more-horizontal-circle01",
    "pause",   "play",          "checkmark-circle02",
};

// Where the eight extra copies of a bold icon go, in points.
constexpr std::array<QPointF, 8> boldOffsets{
    QPointF(0.5, 0),     QPointF(-0.5, 0),      QPointF(0, 0.5),      QPointF(0, -0.5),
    QPointF(0.35, 0.35), QPointF(-0.35, -0.35), QPointF(0.35, -0.35), QPointF(-0.35, 0.35),
};

// The artwork as a template: coverage in the alpha channel, drawn in the foreground.
QImage tintedTemplate(const IconAsset& asset, int pixels, const QColor& foreground) {
    QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QSvgRenderer renderer(asset.resourcePath());
    if (!renderer.isValid())
        return image;
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter, QRectF(0, 0, pixels, pixels));
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(image.rect(), foreground);
    return image;
}

int devicePixels(double points, double pixelRatio) {
    return std::max(1, static_cast<int>(std::ceil(points * pixelRatio - 1e-9)));
}

} // namespace

QString IconAsset::resourcePath() const {
    return QStringLiteral(":/icons/%1.svg").arg(m_name);
}

bool IconAsset::exists() const {
    return QFile::exists(resourcePath());
}

IconAsset IconAsset::forKind(FileKind kind) {
    return IconAsset(QString::fromLatin1(iconName(kind)));
}

std::vector<IconAsset> IconAsset::all() {
    std::vector<IconAsset> assets;
    for (const char* name : notchIconNames)
        assets.emplace_back(QString::fromLatin1(name));
    for (int k = 0; k < fileKindCount; ++k)
        assets.push_back(forKind(static_cast<FileKind>(k)));
    return assets;
}

void Icon::paint(QPainter& painter, QPointF topLeft, const QColor& foreground) const {
    // Rendered at the painter's device resolution so strokes stay crisp on dense screens.
    const QTransform toDevice = painter.deviceTransform();
    const double scale = std::max(1.0, std::hypot(toDevice.m11(), toDevice.m12()));
    const QImage image = tintedTemplate(asset, devicePixels(size, scale), foreground);
    const QRectF frame(topLeft, QSizeF(size, size));
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    // Clipped to the frame: bold occupies exactly the frame the plain icon does.
    painter.setClipRect(frame, Qt::IntersectClip);
    if (bold) {
        for (const QPointF& offset : boldOffsets)
            painter.drawImage(frame.translated(offset), image);
    }
    painter.drawImage(frame, image);
    painter.restore();
}

QImage Icon::render(const QColor& foreground, double pixelRatio) const {
    const int pixels = devicePixels(size, pixelRatio);
    QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(pixelRatio);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    paint(painter, QPointF(0, 0), foreground);
    return image;
}

QColor toQColor(RgbColor color, double opacity) {
    return QColor::fromRgbF(static_cast<float>(color.red), static_cast<float>(color.green),
                            static_cast<float>(color.blue), static_cast<float>(opacity));
}

void FileIconTile::paint(QPainter& painter, QPointF topLeft) const {
    const RgbColor colour = tint(kind);
    const QRectF frame(topLeft, QSizeF(size, size));
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(toQColor(colour, 0.14));
    const double radius = 0.28 * size;
    painter.drawRoundedRect(frame, radius, radius);
    painter.restore();
    const double iconSize = 0.6 * size;
    const QPointF iconOrigin = frame.center() - QPointF(iconSize / 2, iconSize / 2);
    Icon{IconAsset::forKind(kind), iconSize, false}.paint(painter, iconOrigin, toQColor(colour));
}

QImage FileIconTile::render(double pixelRatio) const {
    const int pixels = devicePixels(size, pixelRatio);
    QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(pixelRatio);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    paint(painter, QPointF(0, 0));
    return image;
}

QImage menuImage(const IconAsset& asset, int size) {
    if (!asset.exists())
        return {};
    return tintedTemplate(asset, std::max(1, size), Qt::black);
}

} // namespace fadebin
