#pragma once

#include "notch/NotchShape.h"

#include <QColor>
#include <QFont>
#include <QPointer>
#include <QQuickItem>
#include <QQuickPaintedItem>
#include <QtQml/qqmlregistration.h>

namespace fadebin {

class NotchViewModel;

// Whether the notch content animates. Off for pictures and interface tests, which look at
// settled states, and while the desktop asks for less motion; one per QML engine.
class NotchMotion : public QObject {
    Q_OBJECT
    QML_NAMED_ELEMENT(Motion)
    QML_SINGLETON
    Q_PROPERTY(bool enabled READ enabled NOTIFY enabledChanged)

public:
    using QObject::QObject;
    [[nodiscard]] bool enabled() const { return m_enabled; }
    void setEnabled(bool enabled) {
        if (enabled == m_enabled)
            return;
        m_enabled = enabled;
        Q_EMIT enabledChanged();
    }

Q_SIGNALS:
    void enabledChanged();

private:
    bool m_enabled = true;
};

// The black notch outline, drawn with the shape's own path so that radius changes between
// states interpolate as the item's properties animate.
class NotchSurfaceItem : public QQuickPaintedItem {
    Q_OBJECT
    QML_NAMED_ELEMENT(NotchSurface)
    Q_PROPERTY(double topRadius READ topRadius WRITE setTopRadius NOTIFY shapeChanged)
    Q_PROPERTY(double bottomRadius READ bottomRadius WRITE setBottomRadius NOTIFY shapeChanged)
    Q_PROPERTY(bool flaredTop READ flaredTop WRITE setFlaredTop NOTIFY shapeChanged)
    Q_PROPERTY(QColor color READ color WRITE setColor NOTIFY shapeChanged)

public:
    explicit NotchSurfaceItem(QQuickItem* parent = nullptr);

    [[nodiscard]] double topRadius() const { return m_shape.topRadius; }
    [[nodiscard]] double bottomRadius() const { return m_shape.bottomRadius; }
    [[nodiscard]] bool flaredTop() const { return m_shape.flaredTop; }
    [[nodiscard]] QColor color() const { return m_color; }
    void setTopRadius(double radius);
    void setBottomRadius(double radius);
    void setFlaredTop(bool flared);
    void setColor(const QColor& color);

    void paint(QPainter* painter) override;

Q_SIGNALS:
    void shapeChanged();

private:
    NotchShape m_shape;
    QColor m_color = Qt::black;
};

// The tile that stands for a file's kind.
class KindTileItem : public QQuickPaintedItem {
    Q_OBJECT
    QML_NAMED_ELEMENT(KindTile)
    Q_PROPERTY(int kind READ kind WRITE setKind NOTIFY kindChanged)

public:
    explicit KindTileItem(QQuickItem* parent = nullptr);

    [[nodiscard]] int kind() const { return m_kind; }
    void setKind(int kind);

    void paint(QPainter* painter) override;

Q_SIGNALS:
    void kindChanged();

private:
    int m_kind = 0;
};

// A short text whose digits each take the width of the widest digit, so that a time that
// changes every second keeps its width (Qt 6.4 has no tabular figures in QML).
class TabularTextItem : public QQuickPaintedItem {
    Q_OBJECT
    QML_NAMED_ELEMENT(TabularText)
    Q_PROPERTY(QString text READ text WRITE setText NOTIFY textChanged)
    Q_PROPERTY(QColor color READ color WRITE setColor NOTIFY colorChanged)
    Q_PROPERTY(QFont font READ font WRITE setFont NOTIFY fontChanged)

public:
    explicit TabularTextItem(QQuickItem* parent = nullptr);

    [[nodiscard]] QString text() const { return m_text; }
    [[nodiscard]] QColor color() const { return m_color; }
    [[nodiscard]] QFont font() const { return m_font; }
    void setText(const QString& text);
    void setColor(const QColor& color);
    void setFont(const QFont& font);

    void paint(QPainter* painter) override;

Q_SIGNALS:
    void textChanged();
    void colorChanged();
    void fontChanged();

private:
    void relayout();

    QString m_text;
    QColor m_color = Qt::white;
    QFont m_font;
};

// The whole surface as a drop target: a drag of files over it targets the notch, a drop
// hands the files to the controller. The files are read from the raw uri-list, so names
// that are not UTF-8 arrive with their bytes.
class NotchDropArea : public QQuickItem {
    Q_OBJECT
    QML_NAMED_ELEMENT(NotchDropArea)
    Q_PROPERTY(fadebin::NotchViewModel* view READ view WRITE setView NOTIFY viewChanged)

public:
    explicit NotchDropArea(QQuickItem* parent = nullptr);

    [[nodiscard]] NotchViewModel* view() const { return m_view; }
    void setView(NotchViewModel* view);

Q_SIGNALS:
    void viewChanged();

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    QPointer<NotchViewModel> m_view;
};

} // namespace fadebin
