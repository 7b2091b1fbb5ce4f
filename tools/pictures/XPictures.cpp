// The real program's notch on the X server of DISPLAY (a private Xvfb with a white root), as
// the screen shows it: bare, and under a compositing manager when one is installed; and its
// notifications as a real notification server shows them.
#include "Pictures.h"
#include "ScreenGrab.h"
#include "e2e/ProgramFixture.h"
#include "support/PrivateBus.h"

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

// Asked with notifications, shown by a real notification server (dunst) on the same screen:
// a new download, and a download a rule decided.
void withNotifications() {
    if (QStandardPaths::findExecutable(QStringLiteral("dunst")).isEmpty())
        return missed(QStringLiteral("x11/notifications"),
                      QStringLiteral("dunst is not installed"));
    PrivateBus bus;
    if (bus.address().isEmpty())
        return missed(QStringLiteral("x11/notifications"),
                      QStringLiteral("no private session bus"));
    ::setenv("DBUS_SESSION_BUS_ADDRESS", bus.address().toUtf8().constData(), 1);
    QProcess dunst;
    dunst.start(QStringLiteral("dunst"),
                {QStringLiteral("-geometry"), QStringLiteral("420x5-20+20")});
    if (dunst.waitForStarted()) {
        waitFor([] { return false; }, 1s);
        TempHome home;
        writeSettings(home, R"({"hasCompletedOnboarding": true, "askAboutDownloads": "notification",
                                "rules": [{"ext": "iso", "choice": "oneDay"}]})");
        Program fadebin(home);
        pointerTo(640, 700);
        if (fadebin.start(qgetenv("DISPLAY").toStdString())) {
            const QRect corner{640, 0, 640, 400};
            writeDownload(home.downloads(), "report.pdf");
            waitFor([] { return false; }, 5s); // downloads finishing together share one notice
            save(settledScreen().copy(corner), QStringLiteral("x11/notification-new-download"));
            writeDownload(home.downloads(), "debian-12.iso");
            waitFor([] { return false; }, 2s);
            save(settledScreen().copy(corner), QStringLiteral("x11/notification-rule"));
            fadebin.terminate();
        } else {
            missed(QStringLiteral("x11/notifications"),
                   QStringLiteral("the program did not start"));
        }
    } else {
        missed(QStringLiteral("x11/notifications"), QStringLiteral("dunst did not start"));
    }
    dunst.terminate();
    dunst.waitForFinished(10'000);
    ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
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
    withNotifications();
}

} // namespace fadebin::pictures
