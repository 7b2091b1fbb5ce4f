// The built program on a private X server as a screen reader meets it: at-spi2-core on a private
// session bus, the tree read and acted on from outside through pyatspi (atspi_probe.py).
#include "e2e/ProgramFixture.h"
#include "periphery/DesktopStyle.h"
#include "periphery/FeedbackWindow.h"
#include "support/X11TestTools.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QNetworkAccessManager>
#include <QQmlEngine>

using namespace fadebin;
using namespace fadebin::test;

namespace {

const char* const busLauncher = "/usr/libexec/at-spi-bus-launcher";

// The probe run on one process: its tree, or one of its items acted on.
Command probe(qint64 pid, const QStringList& arguments) {
    return runTool("/usr/bin/python3",
                   QStringList{QStringLiteral(FADEBIN_ATSPI_PROBE), QString::number(pid)} +
                       arguments);
}

// A process's tree, a line per item: role "name" [action]...; empty while it is not on the bus.
std::string treeOf(qint64 pid) {
    const Command tree = probe(pid, {"tree"});
    return tree.status == 0 ? "\n" + tree.out : std::string();
}

// The first item of that role and name, as its line ("" when none).
std::string item(const std::string& tree, const std::string& role, const std::string& name) {
    const size_t at = tree.find("\n" + role + " \"" + name + "\" ");
    return at == std::string::npos ? std::string() : tree.substr(at, tree.find('\n', at + 1) - at);
}

// The accessibility bus on the private session bus; the program registers whatever the desktop.
class Accessibility : public BusTest {
protected:
    void SetUp() override {
        BusTest::SetUp();
        if (IsSkipped())
            return;
        if (!std::filesystem::exists(busLauncher))
            GTEST_SKIP() << "at-spi2-core is not installed";
        if (qgetenv("DISPLAY").isEmpty())
            GTEST_SKIP() << "no X server";
        ::setenv("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1", 1);
        m_launcher.start(QString::fromLatin1(busLauncher), {"--launch-immediately"});
        QDBusConnection session = bus.connect(QStringLiteral("accessibility-test"));
        ASSERT_TRUE(waitFor([&] {
            return session.interface()->isServiceRegistered(QStringLiteral("org.a11y.Bus"));
        })) << m_launcher.readAllStandardError().toStdString();
    }
    void TearDown() override {
        program.kill();
        m_launcher.terminate();
        if (!m_launcher.waitForFinished(10'000))
            m_launcher.kill();
        m_launcher.waitForFinished();
        ::unsetenv("QT_LINUX_ACCESSIBILITY_ALWAYS_ON");
    }

    Program program{home};
    QProcess m_launcher;
};

// Every button, check box, switch and radio button says what it is for.
void expectAllNamed(const std::string& tree) {
    int controls = 0;
    for (const std::string role : {"push button", "check box", "toggle button", "radio button"}) {
        controls += countOf(tree, "\n" + role + " \"");
        EXPECT_EQ(item(tree, role, ""), "") << "an unnamed " << role << "\n" << tree;
    }
    EXPECT_GT(controls, 0) << tree;
}

// Through AT-SPI alone: the row says the file, kind, origin, size and that it waits; the choices
// are radio buttons named in words; pressing "Keep for 1 hour" schedules the file for an hour.
TEST_F(Accessibility, TheNotchSaysTheWaitingFileAndPressingKeepForOneHourSchedulesIt) {
    writeOnboardedSettings(home, R"({"autoDismissSeconds": 60})");
    ASSERT_TRUE(program.start(qgetenv("DISPLAY").toStdString())) << program.log();
    writeDownload(home.downloads(), "report.pdf");
    // The name as the notch shows it, isolated from the words around it.
    const std::string row =
        "\u2068report.pdf\u2069, PDF from example.org, 12.3 kB, waiting for a decision";
    std::string tree;
    ASSERT_TRUE(
        waitFor([&] { return !item(tree = treeOf(program.pid()), "list item", row).empty(); }, 30s))
        << tree << program.log();
    for (const char* name : {"Keep for 30 minutes", "Keep for 1 hour", "Keep for 1 day",
                             "Keep for 10 days", "Keep it"})
        EXPECT_NE(item(tree, "radio button", name).find("[Press]"), std::string::npos)
            << name << "\n"
            << tree;
    for (const char* name : {"Keep it", "Done", "Settings"})
        EXPECT_NE(item(tree, "push button", name), "") << name << "\n" << tree;
    expectAllNamed(tree);

    ASSERT_TRUE(
        probe(program.pid(), {"do", "radio button", "Keep for 1 hour", "Press"}).succeeded());
    const path file = home.downloads() / "report.pdf";
    ASSERT_TRUE(waitFor([&] { return expiryAttribute(file).has_value(); }, 10s)) << program.log();
    EXPECT_NEAR(*expiryAttribute(file), unixNow() + 3600, 30);
}

// The feedback window (offered only when built with an endpoint), shown by this process.
struct FeedbackHere {
    FeedbackHere() { DesktopStyle::useDesktopControlsStyle(); }
    QQmlEngine engine;
    QNetworkAccessManager network;
    FeedbackWindow window{engine, Clock::system(), network,
                          QUrl(QStringLiteral("https://feedback.example.org/api"))};
};

struct Window {
    const char *test, *title;
    const char *role, *control; // a control it shows, named
    enum class Shown { atStart, bySecondLaunch, here } shown;
};

class AccessibleWindows : public Accessibility, public ::testing::WithParamInterface<Window> {};

TEST_P(AccessibleWindows, NameEveryControl) {
    const Window window = GetParam();
    const bool here = window.shown == Window::Shown::here,
               second = window.shown == Window::Shown::bySecondLaunch;
    // Onboarding shows at the first start; a second launch asks for the settings.
    if (second)
        writeOnboardedSettings(home);
    std::optional<FeedbackHere> feedback;
    if (here)
        feedback.emplace().window.show();
    else
        ASSERT_TRUE(program.start(qgetenv("DISPLAY").toStdString())) << program.log();
    if (second) {
        ASSERT_EQ(runProgram({}).status, 0);
    }
    const qint64 pid = here ? QCoreApplication::applicationPid() : program.pid();
    std::string tree;
    ASSERT_TRUE(waitFor(
        [&] {
            tree = treeOf(pid);
            return !item(tree, "frame", window.title).empty() &&
                   !item(tree, window.role, window.control).empty();
        },
        30s))
        << window.control << "\n"
        << tree << program.log();
    expectAllNamed(tree);
}

INSTANTIATE_TEST_SUITE_P(Windows, AccessibleWindows,
                         ::testing::Values(Window{"Settings", "Fadebin Settings", "radio button",
                                                  "Hover only", Window::Shown::bySecondLaunch},
                                           Window{"Onboarding", "Welcome to Fadebin", "push button",
                                                  "Continue", Window::Shown::atStart},
                                           Window{"Feedback", "Send Feedback", "push button",
                                                  "Cancel", Window::Shown::here}),
                         [](const auto& window) { return window.param.test; });

} // namespace

// The program and the feedback window shown here share the X server.
int main(int argc, char** argv) {
    return fadebin::test::runOnXvfb(argc, argv);
}
