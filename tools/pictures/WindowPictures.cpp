// The windows around the notch in each of their states, light and dark where the desktop
// may be either, driven as the periphery tests drive them.
#include "Pictures.h"
#include "periphery/DesktopStyle.h"
#include "periphery/FeedbackWindow.h"
#include "periphery/HttpServer.h"
#include "periphery/OnboardingWindow.h"
#include "periphery/PeripheryTexts.h"
#include "periphery/SettingsWindow.h"
#include "periphery/UpdateManager.h"
#include "periphery/UpdateWindow.h"
#include "periphery/WindowDriver.h"
#include "platform/DirectoryEvents.h"
#include "support/ScopedMount.h"

#include <QGuiApplication>
#include <QQuickItem>
#include <QScopeGuard>

namespace fadebin::pictures {

namespace {

using namespace fadebin::test;
using namespace std::chrono_literals;

void picture(QQuickWindow* window, const QString& name) {
    if (window == nullptr)
        return missed(name, QStringLiteral("the window did not show"));
    settle(window);
    save(window->grabWindow(), QStringLiteral("windows/") + name);
}

struct SettingsScene {
    explicit SettingsScene(std::optional<QUrl> feed = {}, std::optional<QUrl> endpoint = {})
        : updates(world.clock, world.network, feed, QStringLiteral("1.2"), QStringLiteral("12"))
        , feedback(world.engine, world.clock, world.network, endpoint)
        , window(world.engine, world.model, world.settings, updates, feedback, appVersionString()) {
    }
    WindowWorld world;
    UpdateManager updates;
    FeedbackWindow feedback;
    SettingsWindow window;
};

void settingsWindow() {
    {
        HttpServer server;
        SettingsScene scene(server.url("/appcast.xml"), server.url("/api/feedback"));
        scene.world.model.start();
        // Something of ours in the Trash, for the Files page's total and Empty Now.
        if (TrackedFile* trashed =
                scene.world.download("old-installer.iso", std::string(2'345'678, 'i')))
            (void)scene.world.model.deleteNow(trashed);
        {
            QQuickWindow* window = shown(scene.window);
            click(window, "tab.rules");
            picture(window, "settings-rules-none");
            click(window, "tab.general");
        }
        // Rules enough to scroll, one of which decided a download.
        for (const auto& [host, kind, ext, choice] : {std::tuple{".example.org", "pdf", "", "1d"},
                                                      {"", "", "iso", "keep"},
                                                      {"photos.example.net", "image", "", "1h"},
                                                      {"bank.example.com", "", "", "keep"},
                                                      {".github.com", "archive", "", "1d"},
                                                      {"", "video", "", "10d"},
                                                      {"cdimage.debian.org", "", "iso", "10d"}})
            (void)scene.world.settings.addRule(*ruleFromWords(host, kind, ext, choice).rule);
        scene.world.download("invoice-2291.pdf", "payload", "https://billing.example.org/i.pdf");
        const QPalette light = QGuiApplication::palette();
        for (const auto& [scheme, palette] : {std::pair{"light", light}, {"dark", darkPalette()}}) {
            QGuiApplication::setPalette(palette);
            QQuickWindow* window = shown(scene.window);
            for (const char* tab : {"general", "notch", "files", "rules"}) {
                click(window, QStringLiteral("tab.%1").arg(tab));
                picture(window, QStringLiteral("settings-%1-%2").arg(tab, scheme));
            }
            click(window, "emptyOwnTrash");
            picture(window, QStringLiteral("settings-empty-trash-%1").arg(scheme));
            press(window, Qt::Key_Escape);
            click(window, "tab.notch");
            click(window, "countdownColor");
            picture(window, QStringLiteral("settings-colour-dialog-%1").arg(scheme));
            QMetaObject::invokeMethod(findObject(window, "countdownColorDialog"), "reject");
            click(window, "tab.general");
        }
        QGuiApplication::setPalette(light);
    }
    {
        SettingsScene scene;
        scene.world.denyDownloads();
        scene.world.model.start();
        picture(shown(scene.window), "settings-general-access-off");
        scene.world.allowDownloads();
    }
    {
        SettingsScene scene;
        ScopedKernelCalls kernel;
        kernel.fillInstanceTable();
        scene.world.model.start();
        picture(shown(scene.window), "settings-general-watch-limit");
    }
    {
        SettingsScene scene;
        scene.world.model.start();
        scene.window.bindings().setNotchUnavailableText(noNotchText());
        picture(shown(scene.window), "settings-general-no-notch");
    }
    SettingsScene scene;
    const path data = scene.world.home.dataHome() / "Fadebin";
    std::filesystem::create_directories(data);
    const auto disk = ScopedMount::tmpfs(data, "size=200k");
    if (!disk)
        return missed("windows/settings-general-storage-problem",
                      "cannot mount a small tmpfs (needs root)");
    scene.world.model.start();
    fillDisk(data / "filler");
    for (int i = 0; i < 200 && scene.world.model.storageProblem().isEmpty(); ++i) {
        const path file = scene.world.home.downloads() / ("f" + std::to_string(i));
        writeFile(file, std::string(2000, 'n'));
        [[maybe_unused]] const auto taken = scene.world.model.takeIn(file);
    }
    picture(shown(scene.window), "settings-general-storage-problem");
}

void feedbackWindow() {
    WindowWorld world;
    HttpServer server;
    server.respond("/api/feedback", HttpServer::answer(200));
    server.respond("/broken", HttpServer::answer(500, "oops"));
    FeedbackWindow feedback(world.engine, world.clock, world.network, server.url("/api/feedback"));
    QQuickWindow* window = shown(feedback);
    click(window, "message");
    type(window, "Love it");
    click(window, "email");
    type(window, "  me@example.org ");
    picture(window, "feedback-editing");
    press(window, Qt::Key_Return);
    waitFor([&] { return feedback.form().state() != FeedbackForm::SendState::sending; });
    picture(window, "feedback-sent");

    FeedbackWindow failing(world.engine, world.clock, world.network, server.url("/broken"));
    failing.form().setMessage("It broke");
    failing.form().setEmail("me@example.org");
    window = shown(failing);
    click(window, "send");
    waitFor([&] { return failing.form().state() != FeedbackForm::SendState::sending; });
    picture(window, "feedback-failed");
}

void updateWindow() {
    WindowWorld world;
    HttpServer server;
    UpdateManager updates(world.clock, world.network, server.url("/appcast.xml"),
                          QStringLiteral("1.2"), QStringLiteral("12"), 300ms);
    updates.openUrl = [](const QUrl&) {};
    UpdateWindow result(world.engine, updates);
    const auto check = [&](HttpServer::Response response) {
        server.respond("/appcast.xml", std::move(response));
        updates.checkForUpdates();
        waitFor([&] { return !updates.isChecking(); });
    };
    server.respond("/appcast.xml", HttpServer::silence());
    updates.checkForUpdates();
    QQuickWindow* window = result.window();
    if (window == nullptr || !QTest::qWaitForWindowExposed(window))
        return missed("windows/update", "the update window did not show");
    const auto* spinner =
        findItem(window, "checkingIndicator")->property("contentItem").value<QQuickItem*>();
    waitFor([&] { return spinner && spinner->opacity() == 1.0; });
    picture(window, "update-checking");
    waitFor([&] { return !updates.isChecking(); });
    picture(window, "update-failed");
    check(HttpServer::answer(200, feedWith("12", "1.2")));
    picture(window, "update-up-to-date");
    check(HttpServer::answer(200, feedWith("13", "1.3")));
    picture(window, "update-available");
    check(HttpServer::answer(200, feedWith("13", "<b>1.3</b>")));
    picture(window, "update-markup-bold");
    check(HttpServer::answer(200, feedWith("13", "<img src=\"http://127.1:9\">")));
    picture(window, "update-markup-image");
}

struct OnboardingScene {
    QQuickWindow* show() { return shown(onboarding); }
    // Once the step's fade-in has ended.
    void picture(const char* name) {
        QQuickWindow* window = onboarding.window();
        waitFor([&] { return findItem(window, "steps")->opacity() == 1.0; });
        pictures::picture(window, QString::fromLatin1(name));
    }
    WindowWorld world;
    OnboardingWindow onboarding{world.engine, world.model, world.settings, world.clock};
};

void onboardingWindow() {
    {
        OnboardingScene scene;
        scene.world.model.start();
        QQuickWindow* window = scene.show();
        scene.picture("onboarding-0-welcome");
        press(window, Qt::Key_Return);
        scene.picture("onboarding-1-access");
        findItem(window, "back")->forceActiveFocus(Qt::TabFocusReason);
        scene.picture("onboarding-1-back-focused");
        click(window, "continue");
        click(window, "dropSample");
        scene.picture("onboarding-2-try");
        press(window, Qt::Key_Return);
        scene.picture("onboarding-3-done");
    }
    {
        OnboardingScene scene;
        scene.world.model.start();
        // A folder where the sample would go: the write fails.
        std::filesystem::create_directory(scene.world.home.downloads() / "Fadebin Sample.txt");
        QQuickWindow* window = scene.show();
        click(window, "continue");
        click(window, "continue");
        click(window, "dropSample");
        scene.picture("onboarding-2-sample-failed");
    }
    {
        // A desktop that cannot show the notch: the guide speaks of the command line.
        OnboardingScene scene;
        scene.world.model.start();
        scene.onboarding.flow().setHasNotch(false);
        QQuickWindow* window = scene.show();
        scene.picture("onboarding-no-notch-0-welcome");
        click(window, "continue");
        click(window, "continue");
        click(window, "dropSample");
        scene.picture("onboarding-no-notch-2-try");
        click(window, "continue");
        scene.picture("onboarding-no-notch-3-done");
    }
    OnboardingScene scene;
    scene.world.denyDownloads();
    scene.world.model.start();
    press(scene.show(), Qt::Key_Return);
    scene.picture("onboarding-1-access-off");
    scene.world.allowDownloads();
}

} // namespace

void renderWindows() {
    settingsWindow();
    feedbackWindow();
    updateWindow();
    onboardingWindow();
}

QImage settingsShowcase() {
    SettingsScene scene;
    scene.world.model.start();
    QQuickWindow* window = shown(scene.window);
    if (window == nullptr)
        return {};
    // The tab with no path of this machine in it.
    click(window, "tab.notch");
    settle(window);
    return window->grabWindow();
}

} // namespace fadebin::pictures
