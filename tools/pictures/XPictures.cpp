// The real program's notch on the X server of DISPLAY (a private Xvfb with a white root), as
// the screen shows it: bare, and under a compositing manager when one is installed.
#include "Pictures.h"
#include "ScreenGrab.h"
#include "e2e/ProgramFixture.h"

#include <QGuiApplication>
#include <QPixmap>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>

namespace fadebin::pictures {

namespace {

using namespace fadebin::test;

// The 1280 x 800 screen: the panel hangs from the top centre; the pictures show around it.
const QRect pictureArea{380, 0, 520, 520};

bool pointerTo(int x, int y) {
    return QProcess::execute(QStringLiteral("xdotool"), {QStringLiteral("mousemove"),
                                                         QString::number(x), QString::number(y)}) ==
           0;
}

void underManager(const QString& manager) {
    QProcess running;
    if (manager != QLatin1String("bare")) {
        running.start(manager, {});
        if (!running.waitForStarted())
            return missed(QStringLiteral("x11/") + manager,
                          manager + QStringLiteral(" did not start"));
        waitFor([] { return false; }, 1s);
    }
    TempHome home;
    writeSettings(home, R"({"hasCompletedOnboarding": true, "autoDismissSeconds": 600,
                            "rules": [{"ext": "iso", "choice": "oneDay"}]})");
    Program fadebin(home);
    pointerTo(640, 700);
    if (!fadebin.start(qgetenv("DISPLAY").toStdString()))
        return missed(QStringLiteral("x11/") + manager,
                      QStringLiteral("the program did not start"));
    save(settledScreen().copy(pictureArea), QStringLiteral("x11/%1-collapsed").arg(manager));
    writeDownload(home.downloads(), "report.pdf");
    pointerTo(640, 10); // keeps it open while it is looked at
    waitFor([] { return false; }, 2s);
    save(settledScreen().copy(pictureArea),
         QStringLiteral("x11/%1-open-new-download").arg(manager));
    pointerTo(830, 236); // the gear button in the footer, and its tooltip after a moment
    waitFor([] { return false; }, 2s);
    save(settledScreen().copy(pictureArea), QStringLiteral("x11/%1-tooltip").arg(manager));
    pointerTo(640, 700);
    waitFor([] { return false; }, 2s);
    save(settledScreen().copy(pictureArea), QStringLiteral("x11/%1-closed-again").arg(manager));
    // A download a rule decides: the toast, with the pointer away, while it shows.
    writeDownload(home.downloads(), "debian-12.iso");
    waitFor([] { return false; }, 1500ms);
    save(settledScreen().copy(pictureArea), QStringLiteral("x11/%1-rule-toast").arg(manager));
    fadebin.terminate();
    running.terminate();
    running.waitForFinished(10'000);
}

} // namespace

void renderOnX() {
    if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
        return missed(QStringLiteral("x11"), QStringLiteral("xdotool is not installed"));
    underManager(QStringLiteral("bare"));
    for (const QString& manager : {QStringLiteral("openbox"), QStringLiteral("xcompmgr")}) {
        if (QStandardPaths::findExecutable(manager).isEmpty())
            missed(QStringLiteral("x11/") + manager, manager + QStringLiteral(" is not installed"));
        else
            underManager(manager);
    }
}

} // namespace fadebin::pictures
