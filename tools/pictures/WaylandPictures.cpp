// The real program's notch on a private headless sway, as grim sees the output: a layer-shell
// surface, driven with a virtual pointer. Where to click is found by laying out the same
// content here (offscreen).
#include "Pictures.h"
#include "ScreenGrab.h"
#include "e2e/PendingRow.h"
#include "e2e/ProgramFixture.h"
#include "support/PrivateBus.h"
#include "support/SwayServer.h"
#include "support/VirtualPointer.h"

#include <cstdio>

#include <linux/input-event-codes.h>

namespace fadebin::pictures {

namespace {

using namespace fadebin::test;

// The 1280 x 800 output: the notch hangs from the top centre; the pictures show around it.
const QRect pictureArea{380, 0, 520, 520};
const QPointF panelOrigin{430, 0};

// The "more" button of a file scheduled for an hour, in the panel a newer download opens, as
// that panel lays it out; none when the content has no such button.
std::optional<QPointF> moreButton(const std::string& scheduled, const std::string& newer) {
    ContentFixture content;
    content.decided(scheduled, ExpiryOption::oneHour);
    content.download(newer);
    content.settle();
    const QQuickItem* more =
        content.find(QStringLiteral("more-") + QString::fromStdString(scheduled));
    return more != nullptr ? std::optional(centreOf(more)) : std::nullopt;
}

} // namespace

void renderOnWayland() {
    std::string why;
    const auto sway = SwayServer::start(why);
    if (!sway) {
        std::fprintf(stderr, "no wayland pictures: %s\n", why.c_str());
        return;
    }
    const auto pointer = VirtualPointer::connect(sway->socketPath(), {1280, 800});
    PrivateBus bus;
    if (!pointer || !pointer->addKeyboard() || bus.address().isEmpty())
        return missed(QStringLiteral("wayland"),
                      QStringLiteral("no virtual pointer or keyboard, or no private session bus"));
    ::setenv("DBUS_SESSION_BUS_ADDRESS", bus.address().toUtf8().constData(), 1);
    const auto settled = [&sway] { return settledScreen([&sway] { return sway->screenshot(); }); };
    const auto shoot = [&](const QString& name, const QRect& area = pictureArea) {
        save(settled().copy(area), QStringLiteral("wayland/") + name);
    };

    TempHome home;
    writeSettings(home, R"({"hasCompletedOnboarding": true, "autoDismissSeconds": 600,
                            "rules": [{"ext": "iso", "choice": "oneDay"}]})");
    Program fadebin(home);
    pointer->moveTo({640, 700});
    if (!fadebin.start({}, sway->clientEnvironment()))
        return missed(QStringLiteral("wayland"), QStringLiteral("the program did not start"));
    waitFor([] { return false; }, 2s); // its first frame
    shoot(QStringLiteral("collapsed"));
    // A download a rule decides: its toast while it shows, then closed again.
    writeDownload(home.downloads(), "debian-12.iso");
    waitFor([] { return false; }, 1500ms);
    shoot(QStringLiteral("rule-toast"));
    waitFor([] { return false; }, 3s);
    writeDownload(home.downloads(), "report.pdf");
    waitFor([] { return false; }, 3s); // the completion rule, then the shape's spring
    shoot(QStringLiteral("open-new-download"));
    pointer->moveTo({640, 10});
    shoot(QStringLiteral("hovered-pending"));

    const PendingRowPoints row = pendingRowPoints();
    pointer->clickAt(panelOrigin + row.oneHour);
    pointer->clickAt(panelOrigin + row.done);
    waitFor([&] { return readRecord(home, "report.pdf").status == "scheduled"; });
    // A newer download opens the panel on both rows; the menu hangs from the scheduled one's.
    pointer->moveTo({640, 700});
    waitFor([] { return false; }, 2s); // closed again
    writeDownload(home.downloads(), "notes.txt");
    waitFor([] { return false; }, 3s);
    if (const auto more = moreButton("report.pdf", "notes.txt")) {
        pointer->clickAt(panelOrigin + *more);
        shoot(QStringLiteral("menu-open"));
    } else {
        missed(QStringLiteral("wayland/menu-open"), QStringLiteral("no more button to click"));
    }

    pointer->clickAt({640, 700}); // a press elsewhere closes the menu, as it does on X11
    // Opened from the keyboard: the focus on the newest waiting file, then the choice before.
    runProgram({"show"});
    waitFor([] { return false; }, 2s); // the shape's spring
    shoot(QStringLiteral("keyboard-focused"));
    pointer->type({KEY_LEFT});
    waitFor([] { return false; }, 500ms);
    shoot(QStringLiteral("keyboard-choice-before"));
    pointer->type({KEY_ESC});
    QProcess second;
    second.setProcessEnvironment(sway->clientEnvironment());
    second.start(QStringLiteral(FADEBIN_PROGRAM), {});
    second.waitForFinished(60'000);
    waitFor([&] {
        for (const QJsonValue& window : sway->windows())
            if (window[QStringLiteral("app_id")].toString() == QLatin1String("com.ostrel.Fadebin"))
                return true;
        return false;
    });
    shoot(QStringLiteral("settings"), QRect(0, 0, 1280, 800));
    fadebin.terminate();
    ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
}

} // namespace fadebin::pictures
