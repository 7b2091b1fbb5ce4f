// The built program as a screen reader meets it: at-spi2-core's accessibility bus and registry
// on the test's private session bus, the program on a private X server, and its tree read and
// acted on from outside through AT-SPI (pyatspi, tests/e2e/atspi_probe.py), as Orca does.
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

struct Node {
    std::string role, name;
    QStringList actions;
};

// The probe run on one process: its tree, or one of its items acted on.
Command probe(qint64 pid, const QStringList& arguments) {
    return runTool("/usr/bin/python3",
                   QStringList{QStringLiteral(FADEBIN_ATSPI_PROBE), QString::number(pid)} +
                       arguments);
}

// One process's tree as AT-SPI gives it; empty while the process is not on the bus.
std::vector<Node> treeOf(qint64 pid) {
    const Command tree = probe(pid, {"tree"});
    std::vector<Node> nodes;
    if (tree.status != 0)
        return nodes;
    for (const QByteArray& line : QByteArray::fromStdString(tree.out).split('\n')) {
        const QJsonObject node = QJsonDocument::fromJson(line).object();
        if (node.isEmpty())
            continue;
        nodes.push_back({node.value("role").toString().toStdString(),
                         node.value("name").toString().toStdString(),
                         node.value("actions").toVariant().toStringList()});
    }
    return nodes;
}

std::string listed(const std::vector<Node>& nodes) {
    std::string text;
    for (const Node& node : nodes)
        text +=
            node.role + " \"" + node.name + "\" [" + node.actions.join(',').toStdString() + "]\n";
    return text;
}

const Node* find(const std::vector<Node>& nodes, const std::string& role, const std::string& name) {
    const auto found = std::ranges::find_if(
        nodes, [&](const Node& n) { return n.role == role && n.name == name; });
    return found != nodes.end() ? &*found : nullptr;
}

// A test with the accessibility bus on its private session bus, and the program asked to
// register there whatever the desktop's settings say.
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

    // The program's tree once it holds that item.
    std::vector<Node> treeWith(const std::string& role, const std::string& name) {
        std::vector<Node> nodes;
        waitFor([&] { return find(nodes = treeOf(program.pid()), role, name) != nullptr; }, 30s);
        return nodes;
    }

    Program program{home};
    QProcess m_launcher;
};

// Every button, check box, switch and radio button says what it is for.
void expectAllNamed(const std::vector<Node>& nodes) {
    int controls = 0;
    for (const Node& node : nodes) {
        if (node.role != "push button" && node.role != "check box" &&
            node.role != "toggle button" && node.role != "radio button")
            continue;
        ++controls;
        EXPECT_FALSE(node.name.empty()) << "an unnamed " << node.role << "\n" << listed(nodes);
    }
    EXPECT_GT(controls, 0) << listed(nodes);
}

// The notch of a new download, read and decided on through AT-SPI alone: the row says the
// file, its kind, where it came from, its size and that it waits; the time choices are radio
// buttons named in words; pressing "Keep for 1 hour" schedules the file for an hour.
TEST_F(Accessibility, TheNotchSaysTheWaitingFileAndPressingKeepForOneHourSchedulesIt) {
    writeOnboardedSettings(home, R"({"autoDismissSeconds": 60})");
    ASSERT_TRUE(program.start(qgetenv("DISPLAY").toStdString())) << program.log();
    writeDownload(home.downloads(), "report.pdf");
    // The name as the notch shows it, isolated from the words around it.
    const std::string row =
        "\u2068report.pdf\u2069, PDF from example.org, 12.3 kB, waiting for a decision";
    const std::vector<Node> nodes = treeWith("list item", row);
    ASSERT_NE(find(nodes, "list item", row), nullptr) << listed(nodes) << program.log();

    for (const char* name : {"Keep for 30 minutes", "Keep for 1 hour", "Keep for 1 day",
                             "Keep for 10 days", "Keep it"}) {
        const Node* choice = find(nodes, "radio button", name);
        ASSERT_NE(choice, nullptr) << name << "\n" << listed(nodes);
        EXPECT_TRUE(choice->actions.contains("Press")) << name;
    }
    for (const char* name : {"Keep it", "Done", "Settings"})
        EXPECT_NE(find(nodes, "push button", name), nullptr) << name << "\n" << listed(nodes);
    expectAllNamed(nodes);

    const Command press = probe(program.pid(), {"do", "radio button", "Keep for 1 hour", "Press"});
    ASSERT_EQ(press.status, 0) << press.err;
    const path file = home.downloads() / "report.pdf";
    ASSERT_TRUE(waitFor([&] { return expiryAttribute(file).has_value(); }, 10s)) << program.log();
    EXPECT_NEAR(*expiryAttribute(file), unixNow() + 3600, 30);
}

// The feedback window, which the program offers only when built with an endpoint: shown by
// this process, on the same accessibility bus.
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

// Each window, its tree read through AT-SPI: no button, check box, switch or radio button
// without a name.
TEST_P(AccessibleWindows, NameEveryControl) {
    const Window window = GetParam();
    std::unique_ptr<FeedbackHere> feedback;
    qint64 pid = QCoreApplication::applicationPid();
    if (window.shown == Window::Shown::here) {
        feedback = std::make_unique<FeedbackHere>();
        feedback->window.show();
    } else {
        // Onboarding shows at the first start; a second launch asks for the settings.
        if (window.shown == Window::Shown::bySecondLaunch)
            writeOnboardedSettings(home);
        ASSERT_TRUE(program.start(qgetenv("DISPLAY").toStdString())) << program.log();
        if (window.shown == Window::Shown::bySecondLaunch) {
            ASSERT_EQ(runProgram({}).status, 0);
        }
        pid = program.pid();
    }
    std::vector<Node> nodes;
    const auto shows = [&](const char* role, const char* name) {
        return find(nodes = treeOf(pid), "frame", window.title) && find(nodes, role, name);
    };
    ASSERT_TRUE(waitFor([&] { return shows(window.role, window.control); }, 30s))
        << window.control << "\n"
        << listed(nodes) << program.log();
    expectAllNamed(nodes);
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
