#include "periphery/ColorField.h"

#include <QColor>
#include <QImage>
#include <QMetaMethod>
#include <QPainter>
#include <QQuickWindow>

#include <algorithm>

namespace fadebin {

namespace {

// The picker inside the dialog's implementation carries this objectName in Qt 6.4.
const QString pickerName = QStringLiteral("colorPicker");
constexpr qreal minimumFieldHeight = 120;

void findPickers(QQuickItem* item, QList<QQuickItem*>& pickers) {
    if (item->objectName() == pickerName && item->metaObject()->indexOfProperty("hue") >= 0 &&
        item->metaObject()->indexOfProperty("contentItem") >= 0)
        pickers.append(item);
    for (QQuickItem* child : item->childItems())
        findPickers(child, pickers);
}

} // namespace

ColorField::ColorField(QQuickItem* parent)
    : QQuickPaintedItem(parent) {}

void ColorField::setHue(qreal hue) {
    if (qFuzzyCompare(m_hue, hue))
        return;
    m_hue = hue;
    Q_EMIT hueChanged();
    update();
}

void ColorField::followHue() {
    if (QObject* picker = parent())
        setHue(picker->property("hue").toReal());
}

void ColorField::paint(QPainter* painter) {
    const int w = std::max(1, static_cast<int>(width()));
    const int h = std::max(1, static_cast<int>(height()));
    QImage image(w, h, QImage::Format_RGB32);
    const qreal hue = std::clamp(m_hue, 0.0, 1.0);
    for (int y = 0; y < h; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        const qreal saturation = h > 1 ? 1.0 - static_cast<qreal>(y) / (h - 1) : 1.0;
        for (int x = 0; x < w; ++x) {
            const qreal lightness = w > 1 ? static_cast<qreal>(x) / (w - 1) : 0.5;
            line[x] = QColor::fromHslF(hue, saturation, lightness).rgb();
        }
    }
    painter->drawImage(QRectF(0, 0, width(), height()), image);
}

void drawColorFields(QQuickWindow* window) {
    if (!window)
        return;
    QList<QQuickItem*> pickers;
    findPickers(window->contentItem(), pickers);
    for (QQuickItem* picker : pickers) {
        if (qobject_cast<ColorField*>(picker->property("contentItem").value<QQuickItem*>()))
            continue;
        auto* field = new ColorField(picker);
        field->setHue(picker->property("hue").toReal());
        const QMetaProperty hue =
            picker->metaObject()->property(picker->metaObject()->indexOfProperty("hue"));
        const QMetaMethod follow = ColorField::staticMetaObject.method(
            ColorField::staticMetaObject.indexOfSlot("followHue()"));
        if (hue.hasNotifySignal() && follow.isValid())
            QObject::connect(picker, hue.notifySignal(), field, follow);
        picker->setProperty("contentItem", QVariant::fromValue<QQuickItem*>(field));
    }
}

void frameColorDialogs(QQuickWindow* window) {
    if (!window)
        return;
    // The dialog's implementation is a popup the window holds; its class is private to Qt.
    for (QObject* dialog : window->findChildren<QObject*>()) {
        if (!dialog->inherits("QQuickColorDialogImpl"))
            continue;
        dialog->setProperty("modal", true);
        dialog->setProperty("dim", true);
        dialog->setProperty("margins", colorDialogMargin);
        // Its field is as tall as it is wide, which makes the picker taller than the window:
        // the field gives up height (lightness and saturation read as well on a rectangle) so
        // that everything fits between the margins.
        const qreal excess = dialog->property("implicitHeight").toReal() -
                             (window->height() - 2 * colorDialogMargin);
        QList<QQuickItem*> pickers;
        if (auto* content = dialog->property("contentItem").value<QQuickItem*>())
            findPickers(content, pickers);
        for (QQuickItem* picker : pickers)
            if (excess > 0)
                picker->setImplicitHeight(
                    std::max(minimumFieldHeight, picker->implicitHeight() - excess));
    }
}

} // namespace fadebin
