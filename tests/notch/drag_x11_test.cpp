#include "notch/DragWatcher.h"
#include "notch/X11DragSelection.h"
#include "support/X11TestTools.h"

#include <QProcess>

#include <algorithm>

#include <poll.h>

// Xlib last: its macros would break Qt's headers.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

using namespace fadebin;
using namespace std::chrono_literals;

namespace {

constexpr auto generous = 20s;

class DragX11Test : public ::testing::Test {
protected:
    void SetUp() override {
        if (const std::string why = test::whyNoX11(); !why.empty())
            GTEST_SKIP() << why;
        auto dragSelection = std::make_unique<X11DragSelection>();
        ASSERT_TRUE(dragSelection->hasOwnerNotices()) << "Xvfb without XFixes";
        m_watcher = std::make_unique<DragWatcher>(Clock::system(), std::move(dragSelection));
        m_watcher->onDragMoved = [this](QPointF p) { m_moves.push_back(p); };
        m_watcher->onDragEnded = [this] { ++m_ended; };
        m_watcher->start();
        ASSERT_TRUE(m_watcher->waitsForNotices());
    }
    void TearDown() override {
        if (m_source) {
            m_source->kill();
            m_source->waitForFinished(10'000);
            test::xdotool({"mouseup", "1"});
        }
    }

    void waitForLine(const QByteArray& line) {
        const auto said = [&] {
            return m_source->canReadLine() && m_source->readLine() == line + '\n';
        };
        ASSERT_TRUE(test::waitFor(said, generous)) << "the drag source never said " << line.data();
    }

    std::unique_ptr<DragWatcher> m_watcher;
    std::unique_ptr<QProcess> m_source;
    std::vector<QPointF> m_moves;
    int m_ended = 0;
};

} // namespace

TEST_F(DragX11Test, FileDragFromAnotherProcessIsFollowedToItsEnd) {
    m_source = std::make_unique<QProcess>();
    m_source->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    m_source->setProcessEnvironment(environment);
    m_source->start(QStringLiteral(FADEBIN_DRAG_SOURCE), {"-", "/home/u/report.pdf"});
    ASSERT_TRUE(m_source->waitForStarted(20'000));
    waitForLine("ready");

    const long countBefore = m_watcher->lastChangeCount();
    test::xdotool({"mousemove", "200", "150", "mousedown", "1"});
    waitForLine("drag");
    ASSERT_TRUE(
        test::waitFor([&] { return m_watcher->lastChangeCount() > countBefore; }, generous));
    // The source may list its types a moment after taking the selection.
    ASSERT_TRUE(test::waitFor([&] { return m_watcher->isDragging(); }, generous));
    EXPECT_EQ(std::ranges::count(m_watcher->dragSelection().types(), "text/uri-list"), 1);
    for (const QPoint pixel : {QPoint(640, 12), QPoint(900, 40)}) {
        test::xdotool({"mousemove", QString::number(pixel.x()), QString::number(pixel.y())});
        // Reported at the pixel's centre, in Qt's logical pixels (unscaled here).
        const QPointF p = QPointF(pixel) + QPointF(0.5, 0.5);
        EXPECT_TRUE(test::waitFor([&] { return std::ranges::count(m_moves, p) > 0; }, generous))
            << p.x() << "," << p.y();
    }
    // Released: the end comes from the button, although the source keeps the selection.
    test::xdotool({"mouseup", "1"});
    waitForLine("done");
    EXPECT_TRUE(test::waitFor([&] { return m_ended == 1; }, generous));
}

// A drag source that lists no XdndTypeList and answers TARGETS only when the test lets it:
// the selection asks once, returns at once, and takes the answer in when it comes.
TEST(X11SelectionTargets, AskedOnceWithoutWaitingForTheDragSource) {
    if (const std::string why = test::whyNoX11(); !why.empty())
        GTEST_SKIP() << why;
    X11DragSelection dragSelection;
    const long countBefore = dragSelection.changeCount();
    Display* source = XOpenDisplay(nullptr);
    ASSERT_NE(source, nullptr);
    const ::Window window =
        XCreateSimpleWindow(source, DefaultRootWindow(source), 0, 0, 1, 1, 0, 0, 0);
    const Atom selection = XInternAtom(source, "XdndSelection", False);
    XSetSelectionOwner(source, selection, window, CurrentTime);
    XSync(source, False);
    ASSERT_TRUE(test::waitFor([&] { return dragSelection.changeCount() > countBefore; }, generous));

    const auto nextRequest = [&](XSelectionRequestEvent& request, int waitMs = 5'000) {
        pollfd fd{ConnectionNumber(source), POLLIN, 0};
        while (XPending(source) > 0 || ::poll(&fd, 1, waitMs) > 0) {
            XEvent event;
            XNextEvent(source, &event);
            if (event.type == SelectionRequest) {
                request = event.xselectionrequest;
                return true;
            }
        }
        return false;
    };
    EXPECT_TRUE(dragSelection.types().empty());
    EXPECT_TRUE(dragSelection.types().empty()) << "still unanswered";
    XSelectionRequestEvent request{};
    ASSERT_TRUE(nextRequest(request));
    EXPECT_EQ(request.target, XInternAtom(source, "TARGETS", False));
    XSelectionRequestEvent another{};
    EXPECT_FALSE(nextRequest(another, 300)) << "asked again while the first question was open";

    const Atom offered[] = {request.target, XInternAtom(source, "text/uri-list", False)};
    XChangeProperty(source, request.requestor, request.property, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(offered), 2);
    XEvent reply{};
    reply.xselection = {SelectionNotify,
                        0,
                        True,
                        source,
                        request.requestor,
                        request.selection,
                        request.target,
                        request.property,
                        request.time};
    XSendEvent(source, request.requestor, False, NoEventMask, &reply);
    XSync(source, False);
    std::vector<std::string> types;
    EXPECT_TRUE(test::waitFor(
        [&] { return std::ranges::count(types = dragSelection.types(), "text/uri-list") == 1; },
        generous));
    XCloseDisplay(source);
}

// Offscreen: a Qt connection of the test's own made the watcher miss Qt drags now and then.
int main(int argc, char** argv) {
    return fadebin::test::runOnXvfb(argc, argv, false);
}
