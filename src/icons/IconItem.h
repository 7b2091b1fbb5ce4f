#pragma once

#include <QColor>
#include <QQuickPaintedItem>
#include <QString>
#include <QtQml/qqmlregistration.h>

namespace fadebin {

// A named icon of resources/icons, tinted, optionally bold.
class NotchIconItem : public QQuickPaintedItem {
    Q_OBJECT
    QML_NAMED_ELEMENT(NotchIcon)
    Q_PROPERTY(QString name READ name WRITE setName NOTIFY iconChanged)
    Q_PROPERTY(QColor color READ color WRITE setColor NOTIFY iconChanged)
    Q_PROPERTY(bool bold READ bold WRITE setBold NOTIFY iconChanged)

public:
    explicit NotchIconItem(QQuickItem* parent = nullptr);

    [[nodiscard]] QString name() const { return m_name; }
    [[nodiscard]] QColor color() const { return m_color; }
    [[nodiscard]] bool bold() const { return m_bold; }
    void setName(const QString& name);
    void setColor(const QColor& color);
    void setBold(bool bold);

    void paint(QPainter* painter) override;

Q_SIGNALS:
    void iconChanged();

private:
    QString m_name;
    QColor m_color = Qt::white;
    bool m_bold = false;
};

} // namespace fadebin
