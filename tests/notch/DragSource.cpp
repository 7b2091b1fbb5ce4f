// A drag source in its own process for the X11 drag test: a window that starts a drag
// when pressed, the way a file manager does.
//   files PATH     a Qt drag carrying PATH as a file URL (and as text, as file managers do)
//   text           a Qt drag carrying only text
//   targets TYPE   takes the XdndSelection itself and offers TYPE only through TARGETS,
//                  refusing requests dated before it took the selection, as ICCCM owners do
// Prints "ready" once the window is on screen, "drag" when a drag started and "done" when
// it is over.
#include <QDrag>
#include <QGuiApplication>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QRasterWindow>
#include <QSocketNotifier>
#include <QUrl>

#include <cstdio>
#include <memory>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#undef Status

namespace {

void say(const char* line) {
    std::printf("%s\n", line);
    std::fflush(stdout);
}

// Owns the XdndSelection on a connection of its own and answers TARGETS.
class RawSource {
public:
    explicit RawSource(const QByteArray& type)
        : m_display(XOpenDisplay(nullptr)) {
        if (!m_display)
            return;
        m_window =
            XCreateSimpleWindow(m_display, DefaultRootWindow(m_display), -10, -10, 1, 1, 0, 0, 0);
        m_selection = XInternAtom(m_display, "XdndSelection", False);
        m_targets = XInternAtom(m_display, "TARGETS", False);
        m_type = XInternAtom(m_display, type.constData(), False);
        m_notifier =
            std::make_unique<QSocketNotifier>(ConnectionNumber(m_display), QSocketNotifier::Read);
        QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [this] { serve(); });
        XFlush(m_display);
    }
    ~RawSource() {
        m_notifier.reset();
        if (m_display)
            XCloseDisplay(m_display);
    }
    RawSource(const RawSource&) = delete;
    RawSource& operator=(const RawSource&) = delete;

    void take(unsigned long serverTime) {
        m_since = serverTime;
        XSetSelectionOwner(m_display, m_selection, m_window, serverTime);
        XFlush(m_display);
    }

private:
    void serve() {
        while (XPending(m_display) > 0) {
            XEvent event;
            XNextEvent(m_display, &event);
            if (event.type != SelectionRequest)
                continue;
            const XSelectionRequestEvent& request = event.xselectionrequest;
            XEvent reply{};
            reply.xselection.type = SelectionNotify;
            reply.xselection.requestor = request.requestor;
            reply.xselection.selection = request.selection;
            reply.xselection.target = request.target;
            reply.xselection.time = request.time;
            reply.xselection.property = None;
            const bool inTime = request.time != CurrentTime && request.time >= m_since;
            if (request.target == m_targets && inTime) {
                const unsigned long atoms[] = {m_targets, m_type};
                XChangeProperty(m_display, request.requestor, request.property, XA_ATOM, 32,
                                PropModeReplace, reinterpret_cast<const unsigned char*>(atoms), 2);
                reply.xselection.property = request.property;
            }
            XSendEvent(m_display, request.requestor, False, NoEventMask, &reply);
            XFlush(m_display);
        }
    }

    Display* m_display = nullptr;
    Window m_window = 0;
    Atom m_selection = 0;
    Atom m_targets = 0;
    Atom m_type = 0;
    unsigned long m_since = 0;
    std::unique_ptr<QSocketNotifier> m_notifier;
};

class SourceWindow : public QRasterWindow {
public:
    SourceWindow(QString mode, QString argument)
        : m_mode(std::move(mode))
        , m_argument(std::move(argument)) {
        if (m_mode == QLatin1String("targets"))
            m_raw = std::make_unique<RawSource>(m_argument.toUtf8());
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter(this).fillRect(QRect(QPoint(), size()), Qt::darkGray);
        if (!m_ready) {
            m_ready = true;
            say("ready");
        }
    }

    void mousePressEvent(QMouseEvent* event) override {
        if (m_raw) {
            // The press's X server time, so that the selection is dated like a real drag's.
            m_raw->take(event->timestamp());
            say("drag");
            return;
        }
        auto* data = new QMimeData;
        if (m_mode == QLatin1String("files")) {
            data->setUrls({QUrl::fromLocalFile(m_argument)});
            data->setText(m_argument);
        } else {
            data->setText(QStringLiteral("just some words"));
        }
        auto* drag = new QDrag(this);
        drag->setMimeData(data);
        say("drag");
        drag->exec(Qt::CopyAction);
        say("done");
    }

    void mouseReleaseEvent(QMouseEvent*) override {
        if (m_raw)
            say("done");
    }

private:
    QString m_mode;
    QString m_argument;
    std::unique_ptr<RawSource> m_raw;
    bool m_ready = false;
};

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const QStringList arguments = QGuiApplication::arguments();
    if (arguments.size() < 2)
        return 2;
    SourceWindow window(arguments.at(1), arguments.value(2));
    window.setGeometry(0, 0, 400, 300);
    window.show();
    return QGuiApplication::exec();
}
