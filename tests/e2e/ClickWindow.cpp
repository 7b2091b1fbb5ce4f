// A plain window that appends "X Y" (window coordinates) for each press to the file it is
// given, so that a test sees which clicks went through to the windows below the notch. Given
// a second file, a press also starts dragging that file, as a file manager does.
#include <QDrag>
#include <QFile>
#include <QGuiApplication>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QRasterWindow>

namespace {

class ClickWindow : public QRasterWindow {
public:
    ClickWindow(QString file, QString dragged)
        : m_file(std::move(file))
        , m_dragged(std::move(dragged)) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter(this).fillRect(QRect(QPoint(), size()), QColor(0xe0, 0xb0, 0x40));
    }
    void mousePressEvent(QMouseEvent* event) override {
        QFile out(m_file);
        if (out.open(QIODevice::Append))
            out.write(QStringLiteral("%1 %2\n")
                          .arg(event->position().x())
                          .arg(event->position().y())
                          .toUtf8());
        out.close();
        if (m_dragged.isEmpty())
            return;
        auto* drag = new QDrag(this);
        auto* data = new QMimeData;
        data->setUrls({QUrl::fromLocalFile(m_dragged)});
        drag->setMimeData(data);
        drag->exec(Qt::CopyAction);
    }

private:
    QString m_file;
    QString m_dragged;
};

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc < 2)
        return 2;
    ClickWindow window(QString::fromLocal8Bit(argv[1]),
                       argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString());
    window.setTitle(QStringLiteral("clicks"));
    window.resize(640, 400);
    window.show();
    return QGuiApplication::exec();
}
