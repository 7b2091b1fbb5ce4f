#pragma once

#include "intake/FileKind.h"

#include <QColor>
#include <QHashFunctions>
#include <QImage>
#include <QPointF>
#include <QString>

#include <functional>
#include <vector>

class QPainter;

namespace fadebin {

// A named piece of monochrome artwork, compiled in as resources/icons/NAME.svg.
class IconAsset {
public:
    explicit IconAsset(QString name)
        : m_name(std::move(name)) {}

    [[nodiscard]] const QString& name() const { return m_name; }
    [[nodiscard]] QString resourcePath() const;
    [[nodiscard]] bool exists() const;

    [[nodiscard]] static IconAsset forKind(FileKind kind);
    // Every name the notch draws: its own icons and one per file kind.
    [[nodiscard]] static std::vector<IconAsset> all();

    friend bool operator==(const IconAsset&, const IconAsset&) = default;

private:
    QString m_name;
};

[[nodiscard]] inline size_t qHash(const IconAsset& asset, size_t seed = 0) noexcept {
    return qHash(asset.name(), seed);
}

// An asset drawn as a template image: its shape in the foreground colour, stretched to a
// size x size frame. Bold draws it eight more times, offset by half a point around, in
// the same frame, which thickens the strokes without moving them.
struct Icon {
    IconAsset asset;
    double size = 16;
    bool bold = false;

    // Draws with its frame's top left corner at topLeft, in points.
    void paint(QPainter& painter, QPointF topLeft, const QColor& foreground) const;
    // The icon alone in an image of its frame, device pixels = points x pixelRatio.
    [[nodiscard]] QImage render(const QColor& foreground, double pixelRatio = 1) const;
};

// The tile standing for a file's kind: a rounded square in the kind's colour at 0.14
// opacity with the kind's icon centred on it at 0.6 of its size.
struct FileIconTile {
    FileKind kind = FileKind::other;
    double size = 32;

    void paint(QPainter& painter, QPointF topLeft) const;
    [[nodiscard]] QImage render(double pixelRatio = 1) const;
};

[[nodiscard]] QColor toQColor(RgbColor color, double opacity = 1);

// An asset as a menu image: a template of size x size pixels (alpha only, tinted by the
// menu), or a null image when the asset is missing.
[[nodiscard]] QImage menuImage(const IconAsset& asset, int size = 15);

} // namespace fadebin

template <> struct std::hash<fadebin::IconAsset> {
    std::size_t operator()(const fadebin::IconAsset& asset) const noexcept {
        return qHash(asset.name());
    }
};
