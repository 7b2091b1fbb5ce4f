// A window of a second process below the notch: it appends "X Y" for each press to the file
// given ("-": none); given a second file, a press drags it as a file manager does. It says
// "ready" once drawn, "drag" and "done" around a drag, "focus in"/"focus out", "key T" per key.
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
        const QPointF p = event->position();
        if (QFile out(m_file); m_file != QLatin1String("-") && out.open(QIODevice::Append))
            out.write(QStringLiteral("%1 %2\n").arg(p.x()).arg(p.y()).toUtf8());
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
