#include "notch/NotchItems.h"

#include "notch/DropTarget.h"
#include "notch/Icon.h"
#include "notch/NotchViewModel.h"

#include <QMetaObject>
#include <QMimeData>
#include <QPainter>

namespace fadebin {

namespace {

bool carriesFiles(const QMimeData* data) {
    return data != nullptr && data->hasFormat(QStringLiteral("text/uri-list"));
}

} // namespace

NotchSurfaceItem::NotchSurfaceItem(QQuickItem* parent)
    : QQuickPaintedItem(parent) {
    setAntialiasing(true);
}

void NotchSurfaceItem::setTopRadius(double radius) {
    if (radius == m_shape.topRadius)
        return;
    m_shape.topRadius = radius;
    Q_EMIT shapeChanged();
    update();
}

void NotchSurfaceItem::setBottomRadius(double radius) {
    if (radius == m_shape.bottomRadius)
        return;
    m_shape.bottomRadius = radius;
    Q_EMIT shapeChanged();
    update();
}

void NotchSurfaceItem::setFlaredTop(bool flared) {
    if (flared == m_shape.flaredTop)
        return;
    m_shape.flaredTop = flared;
    Q_EMIT shapeChanged();
    update();
}

void NotchSurfaceItem::setColor(const QColor& color) {
    if (color == m_color)
        return;
    m_color = color;
    Q_EMIT shapeChanged();
    update();
}

void NotchSurfaceItem::paint(QPainter* painter) {
    painter->setRenderHint(QPainter::Antialiasing);
    painter->fillPath(m_shape.path(QRectF(0, 0, width(), height())), m_color);
}

NotchIconItem::NotchIconItem(QQuickItem* parent)
    : QQuickPaintedItem(parent) {}

void NotchIconItem::setName(const QString& name) {
    if (name == m_name)
        return;
    m_name = name;
    Q_EMIT iconChanged();
    update();
}

void NotchIconItem::setColor(const QColor& color) {
    if (color == m_color)
        return;
    m_color = color;
    Q_EMIT iconChanged();
    update();
}

void NotchIconItem::setBold(bool bold) {
    if (bold == m_bold)
        return;
    m_bold = bold;
    Q_EMIT iconChanged();
    update();
}

void NotchIconItem::paint(QPainter* painter) {
    if (m_name.isEmpty())
        return;
    const double side = std::min(width(), height());
    const QPointF origin((width() - side) / 2, (height() - side) / 2);
    Icon{IconAsset(m_name), side, m_bold}.paint(*painter, origin, m_color);
}

KindTileItem::KindTileItem(QQuickItem* parent)
    : QQuickPaintedItem(parent) {}

void KindTileItem::setKind(int kind) {
    if (kind == m_kind)
        return;
    m_kind = kind;
    Q_EMIT kindChanged();
    update();
}

void KindTileItem::paint(QPainter* painter) {
    const int kind =
        m_kind >= 0 && m_kind < fileKindCount ? m_kind : static_cast<int>(FileKind::other);
    const double side = std::min(width(), height());
    FileIconTile{static_cast<FileKind>(kind), side}.paint(
        *painter, QPointF((width() - side) / 2, (height() - side) / 2));
}

NotchDropArea::NotchDropArea(QQuickItem* parent)
    : QQuickItem(parent) {
    setFlag(ItemAcceptsDrops);
}

void NotchDropArea::setView(NotchViewModel* view) {
    if (view == m_view)
        return;
    m_view = view;
    Q_EMIT viewChanged();
}

void NotchDropArea::dragEnterEvent(QDragEnterEvent* event) {
    if (!m_view || !carriesFiles(event->mimeData())) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    m_view->controller().setDropTargeted(true);
}

void NotchDropArea::dragMoveEvent(QDragMoveEvent* event) {
    if (carriesFiles(event->mimeData()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void NotchDropArea::dragLeaveEvent(QDragLeaveEvent* event) {
    event->accept();
    if (m_view)
        m_view->controller().setDropTargeted(false);
}

void NotchDropArea::dropEvent(QDropEvent* event) {
    if (!m_view || event->mimeData() == nullptr) {
        event->ignore();
        return;
    }
    std::vector<path> files = droppedFiles(*event->mimeData());
    event->acceptProposedAction();
    // Accepted at once; the files are handled after the drag source has its answer.
    QPointer<NotchViewModel> view = m_view;
    QMetaObject::invokeMethod(
        this,
        [view, files = std::move(files)] {
            if (view)
                view->controller().handleDrop(files);
        },
        Qt::QueuedConnection);
}

} // namespace fadebin
