// Drags "files PATH" as a file URL and text, or "text"; says "ready", "drag" and "done".
#include <QDrag>
#include <QGuiApplication>
#include <QMimeData>
#include <QPainter>
#include <QRasterWindow>
#include <QUrl>

#include <cstdio>

namespace {

void say(const char* line) {
    std::printf("%s\n", line);
    std::fflush(stdout);
}

class SourceWindow : public QRasterWindow {
public:
    explicit SourceWindow(QString path)
        : m_path(std::move(path)) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter(this).fillRect(QRect(QPoint(), size()), Qt::darkGray);
        if (!std::exchange(m_ready, true))
            say("ready");
    }

    void mousePressEvent(QMouseEvent*) override {
        auto* data = new QMimeData;
        if (!m_path.isEmpty())
            data->setUrls({QUrl::fromLocalFile(m_path)});
        data->setText(m_path.isEmpty() ? QStringLiteral("just some words") : m_path);
        auto* drag = new QDrag(this);
        drag->setMimeData(data);
        say("drag");
        drag->exec(Qt::CopyAction);
        say("done");
    }

private:
    QString m_path;
    bool m_ready = false;
};

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const QStringList arguments = QGuiApplication::arguments();
    SourceWindow window(arguments.value(1) == QLatin1String("files") ? arguments.value(2)
                                                                     : QString());
    window.setGeometry(0, 0, 400, 300);
    window.show();
    return QGuiApplication::exec();
}
