#pragma once

#include <QColor>
#include <QQuickPaintedItem>
#include <QString>
#include <QtQml/qqmlregistration.h>

namespace fadebin {

// One of the program's monochrome icons (resources/icons/NAME.svg), drawn in a colour and
// stretched to the item's width.
class IconItem : public QQuickPaintedItem {
    Q_OBJECT
    QML_NAMED_ELEMENT(FadebinIcon)
    Q_PROPERTY(QString name READ name WRITE setName NOTIFY nameChanged)
    Q_PROPERTY(QColor color READ color WRITE setColor NOTIFY colorChanged)

public:
    explicit IconItem(QQuickItem* parent = nullptr);

    [[nodiscard]] QString name() const { return m_name; }
    [[nodiscard]] QColor color() const { return m_color; }
    void setName(const QString& name);
    void setColor(const QColor& color);

    void paint(QPainter* painter) override;

Q_SIGNALS:
    void nameChanged();
    void colorChanged();

private:
    QString m_name;
    QColor m_color = Qt::black;
};

} // namespace fadebin
