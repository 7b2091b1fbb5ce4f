// A plain window of a second process that appends "X Y" (window coordinates) for each press to
// the file it is given ("-": none), so that a test sees which clicks reach the windows below the
// notch. Given a second file, a press starts dragging that file as a file manager does (its URL
// and its path as text). It says "ready" once drawn, "drag" and "done" around a drag, "focus in"
// and "focus out" as it gains and loses the keyboard, and "key T" for each key typed into it.
#include <QDrag>
#include <QFile>
#include <QGuiApplication>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QRasterWindow>

#include <cstdio>

namespace {

void say(const char* line) {
    std::printf("%s\n", line);
    std::fflush(stdout);
}

class ClickWindow : public QRasterWindow {
public:
    ClickWindow(QString file, QString dragged)
        : m_file(std::move(file))
        , m_dragged(std::move(dragged)) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter(this).fillRect(QRect(QPoint(), size()), QColor(0xe0, 0xb0, 0x40));
        if (!std::exchange(m_ready, true))
            say("ready");
    }
    void focusInEvent(QFocusEvent*) override { say("focus in"); }
    void focusOutEvent(QFocusEvent*) override { say("focus out"); }
    void keyPressEvent(QKeyEvent* event) override {
        say(("key " + event->text()).toUtf8().constData());
    }
    void mousePressEvent(QMouseEvent* event) override {
        if (QFile out(m_file); m_file != QLatin1String("-") && out.open(QIODevice::Append))
            out.write(QStringLiteral("%1 %2\n")
                          .arg(event->position().x())
                          .arg(event->position().y())
                          .toUtf8());
        if (m_dragged.isEmpty())
            return;
        auto* drag = new QDrag(this);
        auto* data = new QMimeData;
        data->setUrls({QUrl::fromLocalFile(m_dragged)});
        data->setText(m_dragged);
        drag->setMimeData(data);
        say("drag");
        drag->exec(Qt::CopyAction);
        say("done");
    }

private:
    QString m_file, m_dragged;
    bool m_ready = false;
};

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc < 2)
        return 2;
    ClickWindow window(QString::fromLocal8Bit(argv[1]),
                       argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString());
    window.setTitle(QStringLiteral("clicks"));
    window.setGeometry(0, 0, 640, 400);
    window.show();
    return QGuiApplication::exec();
}
