#include "notch/NotchItems.h"

#include "icons/Icon.h"
#include "notch/DragWatcher.h"
#include "notch/DropTarget.h"
#include "notch/NotchViewModel.h"

#include <QFontMetricsF>
#include <QMetaObject>
#include <QMimeData>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace fadebin {

namespace {

bool carriesFiles(const QMimeData* data) {
    return data != nullptr && data->hasFormat(QStringLiteral("text/uri-list"));
}

// Promises and direct saves are taken too, to be refused with a notice: the drag watcher
// opened the prompt for them, and a drop that did nothing would leave it unexplained.
bool promisesFiles(const QMimeData* data) {
    if (data == nullptr)
        return false;
    const QStringList formats = data->formats();
    return std::any_of(formats.begin(), formats.end(), [](const QString& format) {
        return DragWatcher::isPromise(format.toStdString());
    });
}

bool takesDrag(const QMimeData* data) {
    return carriesFiles(data) || promisesFiles(data);
}

// The notch only records files, it never takes them: whatever the source proposes, the
// answer is a copy, so that no source deletes its original after a "move".
void acceptAsCopy(QDropEvent* event) {
    event->setDropAction(Qt::CopyAction);
    event->accept();
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

TabularTextItem::TabularTextItem(QQuickItem* parent)
    : QQuickPaintedItem(parent) {
    setAntialiasing(true);
    relayout();
}

void TabularTextItem::setText(const QString& text) {
    if (text == m_text)
        return;
    m_text = text;
    Q_EMIT textChanged();
    relayout();
}

void TabularTextItem::setColor(const QColor& color) {
    if (color == m_color)
        return;
    m_color = color;
    Q_EMIT colorChanged();
    update();
}

void TabularTextItem::setFont(const QFont& font) {
    if (font == m_font)
        return;
    m_font = font;
    Q_EMIT fontChanged();
    relayout();
}

namespace {

double digitCell(const QFontMetricsF& metrics) {
    double widest = 0;
    for (char16_t digit = u'0'; digit <= u'9'; ++digit)
        widest = std::max(widest, metrics.horizontalAdvance(QChar(digit)));
    return widest;
}

// Each run of the text with where it starts: digits one by one, centred in their cells.
template <typename Draw>
double layOut(const QString& text, const QFontMetricsF& metrics, Draw&& draw) {
    const double cell = digitCell(metrics);
    double x = 0;
    qsizetype start = 0;
    const auto flush = [&](qsizetype end) {
        if (end > start) {
            const QString run = text.mid(start, end - start);
            draw(run, x);
            x += metrics.horizontalAdvance(run);
        }
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c < u'0' || c > u'9')
            continue;
        flush(i);
        draw(QString(c), x + (cell - metrics.horizontalAdvance(c)) / 2);
        x += cell;
        start = i + 1;
    }
    flush(text.size());
    return x;
}

} // namespace

void TabularTextItem::relayout() {
    const QFontMetricsF metrics(m_font);
    setImplicitWidth(std::ceil(layOut(m_text, metrics, [](const QString&, double) {})));
    setImplicitHeight(std::ceil(metrics.height()));
    update();
}

void TabularTextItem::paint(QPainter* painter) {
    const QFontMetricsF metrics(m_font);
    painter->setFont(m_font);
    painter->setPen(m_color);
    const double baseline = (height() - metrics.height()) / 2 + metrics.ascent();
    layOut(m_text, metrics,
           [&](const QString& run, double x) { painter->drawText(QPointF(x, baseline), run); });
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
    if (!m_view || !takesDrag(event->mimeData())) {
        event->ignore();
        return;
    }
    acceptAsCopy(event);
    m_view->controller().setDropTargeted(true);
}

void NotchDropArea::dragMoveEvent(QDragMoveEvent* event) {
    if (takesDrag(event->mimeData()))
        acceptAsCopy(event);
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
    const bool unsaved = files.empty() && promisesFiles(event->mimeData());
    acceptAsCopy(event);
    // Accepted at once; the files are handled after the drag source has its answer.
    QPointer<NotchViewModel> view = m_view;
    QMetaObject::invokeMethod(
        this,
        [view, unsaved, files = std::move(files)] {
            if (!view)
                return;
            if (unsaved)
                view->controller().refuseUnsavedDrop();
            else
                view->controller().handleDrop(files);
        },
        Qt::QueuedConnection);
}

} // namespace fadebin
