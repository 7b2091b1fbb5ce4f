#pragma once

#include <QQuickPaintedItem>

class QQuickWindow;

namespace fadebin {

// The saturation and lightness square of a colour picker for one hue: lightness from left
// to right, saturation from the bottom up, as Qt Quick Dialogs' picker lays it out.
class ColorField : public QQuickPaintedItem {
    Q_OBJECT
    Q_PROPERTY(qreal hue READ hue WRITE setHue NOTIFY hueChanged)

public:
    explicit ColorField(QQuickItem* parent = nullptr);

    [[nodiscard]] qreal hue() const { return m_hue; }
    void setHue(qreal hue);
    void paint(QPainter* painter) override;

Q_SIGNALS:
    void hueChanged();

private Q_SLOTS:
    // Takes the hue of the picker it sits in.
    void followHue();

private:
    qreal m_hue = 0;
};

// Qt Quick Dialogs draws its colour picker's square with a shader effect, which the
// software scene graph this program renders with leaves blank. Gives each picker open in
// the window a field painted on the CPU instead; pickers already given one are left alone.
void drawColorFields(QQuickWindow* window);

// Space the colour pickers keep from their window's edges.
inline constexpr qreal colorDialogMargin = 24;
// Qt Quick Dialogs opens its colour picker as a popup filling the window's height, flush
// with its edges and with the window behind it as bright as ever. Makes each picker open in
// the window modal, dimming the window behind it, and keeps it colorDialogMargin inside the
// window's edges (it is made smaller where it would not fit).
void frameColorDialogs(QQuickWindow* window);

} // namespace fadebin
