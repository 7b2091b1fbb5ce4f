// A plain window that appends "X Y" (window coordinates) for each press to the file it is
// given, so that a test sees which clicks went through to the windows below the notch.
#include <QFile>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QRasterWindow>

namespace {

class ClickWindow : public QRasterWindow {
public:
    explicit ClickWindow(QString file)
        : m_file(std::move(file)) {}

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
    }

private:
    QString m_file;
};

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc < 2)
        return 2;
    ClickWindow window(QString::fromLocal8Bit(argv[1]));
    window.setTitle(QStringLiteral("clicks"));
    window.resize(640, 400);
    window.show();
    return QGuiApplication::exec();
}
