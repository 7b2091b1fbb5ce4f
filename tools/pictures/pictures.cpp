// fadebin_pictures [FOLDER]: renders every state of the notch and of the windows around it
// into FOLDER (build/pictures unless given): notch/ offscreen at twice the size, windows/ at
// their own size, wayland-*.png the real program on a private headless sway, x11/ the real
// program on a private X server, appstream/ what the metainfo lists. Each part runs in a process of
// its own, as it needs its own platform and scale.
#include "Pictures.h"
#include "notch/SoftwareRendering.h"
#include "periphery/DesktopStyle.h"
#include "platform/Translations.h"
#include "support/XvfbServer.h"

#include <QDir>
#include <QGuiApplication>
#include <QProcess>

#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace fadebin::pictures {

namespace {

QString& outputFolder() {
    static QString folder;
    return folder;
}
int saved = 0;
int notMade = 0;

// Runs this tool again for one part, with the environment that part needs.
bool runPart(const char* self, const QString& part, const QProcessEnvironment& environment) {
    QProcess child;
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::ForwardedChannels);
    child.start(QString::fromLocal8Bit(self), {part, outputFolder()});
    return child.waitForFinished(-1) && child.exitStatus() == QProcess::NormalExit &&
           child.exitCode() == 0;
}

} // namespace

void save(const QImage& image, const QString& name) {
    const QString file = outputFolder() + QLatin1Char('/') + name + QStringLiteral(".png");
    QDir().mkpath(QFileInfo(file).path());
    if (image.isNull() || !image.save(file))
        return missed(name, QStringLiteral("could not be written"));
    ++saved;
}

int savedCount() {
    return saved;
}

int missedCount() {
    return notMade;
}

void missed(const QString& name, const QString& why) {
    ++notMade;
    std::fprintf(stderr, "not made: %s: %s\n", qPrintable(name), qPrintable(why));
}

} // namespace fadebin::pictures

int main(int argc, char** argv) {
    using namespace fadebin::pictures;
    const std::string_view part = argc > 1 && argv[1][0] == '-' ? argv[1] : "";
    const int folderAt = part.empty() ? 1 : 2;
    outputFolder() = QDir(argc > folderAt ? QString::fromLocal8Bit(argv[folderAt])
                                          : QStringLiteral(FADEBIN_PICTURES_DIR))
                         .absolutePath();
    if (part.empty()) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        bool ok = runPart(argv[0], QStringLiteral("--notch"), environment);
        ok = runPart(argv[0], QStringLiteral("--windows"), environment) && ok;
        ok = runPart(argv[0], QStringLiteral("--on-wayland"), environment) && ok;
        ok = runPart(argv[0], QStringLiteral("--appstream"), environment) && ok;
        std::string why;
        const auto xvfb = fadebin::test::XvfbServer::start(why, "1280x800x24", {"-wr"});
        if (xvfb) {
            environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
            environment.insert(QStringLiteral("DISPLAY"), QString::fromStdString(xvfb->display()));
            ok = runPart(argv[0], QStringLiteral("--on-x"), environment) && ok;
        } else {
            std::fprintf(stderr, "not made: x11: no X server: %s\n", why.c_str());
            ok = false;
        }
        std::printf("pictures in %s\n", qPrintable(outputFolder()));
        return ok ? 0 : 1;
    }
    fadebin::useSoftwareRendering();
    if (part == "--notch" || part == "--appstream")
        ::setenv("QT_SCALE_FACTOR", "2", 1);
    fadebin::DesktopStyle::useDesktopControlsStyle();
    QGuiApplication app(argc, argv);
    // In the language of the locale, as the program speaks (scripts/pictures --de).
    fadebin::installTranslations();
    if (part == "--notch") {
        renderNotchStates();
        renderIconSheet();
    } else if (part == "--windows") {
        renderWindows();
    } else if (part == "--on-x") {
        renderOnX();
    } else if (part == "--on-wayland") {
        renderOnWayland();
    } else if (part == "--appstream") {
        renderAppStream();
    }
    // Windows hand parts of their scene to deleteLater; run those deletions before the end.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    std::printf("%s: %d pictures, %d not made\n", part.data(), savedCount(), missedCount());
    return missedCount() == 0 ? 0 : 1;
}
