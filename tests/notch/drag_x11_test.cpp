// The X11 drag pasteboard against a real X server (Xvfb) and a drag source in another
// process, moved by xdotool with the button held.
#include "notch/DragWatcher.h"
#include "notch/X11Pasteboard.h"
#include "support/TestSupport.h"
#include "support/XvfbServer.h"

#include <QCoreApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>

using namespace fadebin;
using namespace std::chrono_literals;

namespace {

constexpr auto generous = 20s;

// The same pasteboard, but only to be polled, as where the server has no XFixes.
class PolledOnly final : public DragPasteboard {
public:
    explicit PolledOnly(std::unique_ptr<DragPasteboard> inner)
        : m_inner(std::move(inner)) {}
    [[nodiscard]] long changeCount() override { return m_inner->changeCount(); }
    [[nodiscard]] std::vector<std::string> types() override { return m_inner->types(); }
    [[nodiscard]] unsigned pressedMouseButtons() override { return m_inner->pressedMouseButtons(); }
    [[nodiscard]] QPointF pointerLocation() override { return m_inner->pointerLocation(); }

private:
    std::unique_ptr<DragPasteboard> m_inner;
};

class DragX11Test : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty()) {
            s_why = "xdotool is not installed (Debian package xdotool)";
            return;
        }
        s_server = test::XvfbServer::start(s_why).release();
        // Xvfb resets when its last client leaves, refusing connections meanwhile; one
        // connection held for the whole suite keeps it from resetting between tests.
        if (s_server)
            s_keeper = new X11Pasteboard(s_server->display().c_str());
    }
    static void TearDownTestSuite() {
        delete s_keeper;
        s_keeper = nullptr;
        delete s_server;
        s_server = nullptr;
    }

    void SetUp() override {
        if (!s_server)
            GTEST_SKIP() << "the X11 drag test needs a real X server and xdotool: " << s_why;
        m_environment = QProcessEnvironment::systemEnvironment();
        m_environment.insert(QStringLiteral("DISPLAY"), QString::fromStdString(display()));
        m_environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        // The helper's own leaks are not what this test is about.
        m_environment.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0"));

        ASSERT_NO_FATAL_FAILURE(watch(true));
    }

    // A watcher on the server's pasteboard, waiting for its notices or polling it.
    void watch(bool notices) {
        auto pasteboard = std::make_unique<X11Pasteboard>(display().c_str());
        ASSERT_TRUE(pasteboard->isAvailable());
        ASSERT_TRUE(pasteboard->hasOwnerNotices()) << "Xvfb without XFixes";
        std::unique_ptr<DragPasteboard> watched = std::move(pasteboard);
        if (!notices)
            watched = std::make_unique<PolledOnly>(std::move(watched));
        m_watcher = std::make_unique<DragWatcher>(Clock::system(), std::move(watched));
        m_watcher->onDragMoved = [this](QPointF p) { m_moves.push_back(p); };
        m_watcher->onDragEnded = [this] { ++m_ended; };
        m_watcher->start();
        ASSERT_EQ(m_watcher->waitsForNotices(), notices);
    }

    void TearDown() override {
        m_watcher.reset();
        if (m_source) {
            m_source->kill();
            m_source->waitForFinished(10'000);
        }
        if (s_server)
            xdotool({"mouseup", "1"});
    }

    [[nodiscard]] static const std::string& display() { return s_server->display(); }

    void xdotool(const QStringList& arguments) {
        QProcess tool;
        tool.setProcessEnvironment(m_environment);
        tool.start(QStringLiteral("xdotool"), arguments);
        ASSERT_TRUE(tool.waitForFinished(20'000)) << arguments.join(' ').toStdString();
        ASSERT_EQ(tool.exitCode(), 0) << arguments.join(' ').toStdString();
    }

    // Starts the drag source and waits until its window is on screen.
    void startSource(const QStringList& arguments) {
        m_source = std::make_unique<QProcess>();
        m_source->setProcessEnvironment(m_environment);
        m_source->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_source->start(QStringLiteral(FADEBIN_DRAG_SOURCE), arguments);
        ASSERT_TRUE(m_source->waitForStarted(20'000));
        waitForLine("ready");
    }

    // Waits for the source to print line (it prints each once per event).
    void waitForLine(const QByteArray& line) {
        const bool seen = test::waitFor(
            [&] {
                m_output += m_source->readAllStandardOutput();
                const qsizetype at = m_output.indexOf(line + '\n');
                if (at < 0)
                    return false;
                m_output.remove(0, at + line.size() + 1);
                return true;
            },
            generous);
        ASSERT_TRUE(seen) << "the drag source never said " << line.toStdString();
    }

    [[nodiscard]] bool reported(QPointF p) const {
        return std::find(m_moves.begin(), m_moves.end(), p) != m_moves.end();
    }

    inline static test::XvfbServer* s_server = nullptr;
    inline static std::string s_why;
    inline static X11Pasteboard* s_keeper = nullptr;
    QProcessEnvironment m_environment;
    std::unique_ptr<DragWatcher> m_watcher;
    std::unique_ptr<QProcess> m_source;
    QByteArray m_output;
    std::vector<QPointF> m_moves;
    int m_ended = 0;
};

} // namespace

TEST_F(DragX11Test, FileDragFromAnotherProcessIsFollowedToItsEndAndAgain) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("report.pdf"));
    test::writeFile(file.toStdString(), "pdf");
    startSource({QStringLiteral("files"), file});

    for (int round = 1; round <= 2; ++round) {
        SCOPED_TRACE(round == 1 ? "first drag" : "second drag from the same window");
        const long countBefore = m_watcher->lastChangeCount();
        xdotool({"mousemove", "200", "150", "mousedown", "1"});
        waitForLine("drag");
        ASSERT_TRUE(test::waitFor([&] { return m_watcher->isDragging(); }, generous));
        EXPECT_GT(m_watcher->lastChangeCount(), countBefore);
        // Qt publishes more than three types in XdndTypeList on its selection window.
        const std::vector<std::string> types = m_watcher->pasteboard().types();
        EXPECT_NE(std::find(types.begin(), types.end(), "text/uri-list"), types.end());

        xdotool({"mousemove", "640", "12"});
        EXPECT_TRUE(test::waitFor([&] { return reported(QPointF(640, 12)); }, generous));
        xdotool({"mousemove", "900", "40"});
        EXPECT_TRUE(test::waitFor([&] { return reported(QPointF(900, 40)); }, generous));

        // Released: the end comes from the button, although the source keeps the selection.
        xdotool({"mouseup", "1"});
        EXPECT_TRUE(test::waitFor([&] { return m_ended == round; }, generous));
        EXPECT_FALSE(m_watcher->isDragging());
        waitForLine("done");
        m_moves.clear();
    }
}

TEST_F(DragX11Test, PolledWatcherFollowsTheSameDrag) {
    m_watcher.reset();
    ASSERT_NO_FATAL_FAILURE(watch(false));
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("photo.png"));
    test::writeFile(file.toStdString(), "png");
    startSource({QStringLiteral("files"), file});
    xdotool({"mousemove", "200", "150", "mousedown", "1"});
    waitForLine("drag");
    ASSERT_TRUE(test::waitFor([&] { return m_watcher->isDragging(); }, generous));
    xdotool({"mousemove", "333", "7"});
    EXPECT_TRUE(test::waitFor([&] { return reported(QPointF(333, 7)); }, generous));
    xdotool({"mouseup", "1"});
    EXPECT_TRUE(test::waitFor([&] { return m_ended == 1; }, generous));
}

TEST_F(DragX11Test, TextDragIsNoticedButNotFollowed) {
    startSource({QStringLiteral("text")});
    const long countBefore = m_watcher->lastChangeCount();
    xdotool({"mousemove", "200", "150", "mousedown", "1"});
    waitForLine("drag");
    // The watcher has looked at this drag (its count moved) and let it go.
    ASSERT_TRUE(
        test::waitFor([&] { return m_watcher->lastChangeCount() > countBefore; }, generous));
    const std::vector<std::string> types = m_watcher->pasteboard().types();
    EXPECT_NE(std::find(types.begin(), types.end(), "UTF8_STRING"), types.end());
    EXPECT_EQ(std::find(types.begin(), types.end(), "text/uri-list"), types.end());
    xdotool({"mousemove", "640", "12"});
    xdotool({"mouseup", "1"});
    waitForLine("done");
    EXPECT_FALSE(m_watcher->isDragging());
    EXPECT_TRUE(m_moves.empty());
    EXPECT_EQ(m_ended, 0);
}

TEST_F(DragX11Test, SourceWithoutTypeListIsAskedForItsTargets) {
    // This source offers its types only through TARGETS, and only for requests dated at
    // or after it took the selection.
    startSource({QStringLiteral("targets"), QStringLiteral("text/uri-list")});
    xdotool({"mousemove", "100", "100", "mousedown", "1"});
    waitForLine("drag");
    ASSERT_TRUE(test::waitFor([&] { return m_watcher->isDragging(); }, generous));
    xdotool({"mousemove", "300", "5"});
    EXPECT_TRUE(test::waitFor([&] { return reported(QPointF(300, 5)); }, generous));
    xdotool({"mouseup", "1"});
    EXPECT_TRUE(test::waitFor([&] { return m_ended == 1; }, generous));
}

TEST_F(DragX11Test, SourceOfferingOnlyTextThroughTargetsIsNotFollowed) {
    startSource({QStringLiteral("targets"), QStringLiteral("UTF8_STRING")});
    const long countBefore = m_watcher->lastChangeCount();
    xdotool({"mousemove", "100", "100", "mousedown", "1"});
    waitForLine("drag");
    ASSERT_TRUE(
        test::waitFor([&] { return m_watcher->lastChangeCount() > countBefore; }, generous));
    EXPECT_EQ(m_watcher->pasteboard().types(),
              (std::vector<std::string>{"TARGETS", "UTF8_STRING"}));
    xdotool({"mouseup", "1"});
    waitForLine("done");
    EXPECT_FALSE(m_watcher->isDragging());
    EXPECT_EQ(m_ended, 0);
}

TEST(X11Pasteboard, WithoutADisplayIsUnavailableAndInert) {
    X11Pasteboard pasteboard("unix:no-such-display-for-fadebin:0");
    EXPECT_FALSE(pasteboard.isAvailable());
    EXPECT_EQ(pasteboard.changeCount(), 0);
    EXPECT_TRUE(pasteboard.types().empty());
    EXPECT_EQ(pasteboard.pressedMouseButtons(), 0u);
    EXPECT_FALSE(pasteboard.watchChanges([] {}));
}
