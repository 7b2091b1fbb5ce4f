// The notch's content in the real panel over a real model, driven as the content tests drive
// it, at twice the size over a grey desktop so that the shape's outline shows.
#include "ContentFixture.h"
#include "Pictures.h"
#include "ScreenGrab.h"
#include "icons/Icon.h"
#include "notch/NotchShape.h"

#include <QCursor>
#include <QMimeData>
#include <QPainter>
#include <QTest>

namespace fadebin::pictures {

namespace {

using namespace fadebin::test;
using namespace std::chrono_literals;

class NotchScene : public ContentFixture {
public:
    explicit NotchScene(const std::function<void(ModelWorld&)>& beforeStart = {})
        : ContentFixture({.animated = false}, beforeStart) {
        // The fixture's British dates, unless the pictures are of another language (--de):
        // then its dates and numbers as well.
        const QLocale locale;
        if (locale.language() != QLocale::C && locale.language() != QLocale::English)
            view().setTextContext({locale, QTimeZone(0)});
    }

    void picture(const QString& name) {
        panel->setColor(QColor(0x8a, 0x8f, 0x98));
        settle();
        save(panel->grabWindow(), QStringLiteral("notch/") + name);
    }
    // Whether the drop area takes a drag of these data, and the drop after it when asked.
    void drag(const QMimeData& data, bool drop) {
        QQuickItem* target = find(QStringLiteral("dropArea"));
        if (target == nullptr)
            return missed(QStringLiteral("notch/drop"), QStringLiteral("no drop area"));
        QDragEnterEvent enter({10, 10}, Qt::CopyAction, &data, Qt::LeftButton, {});
        QCoreApplication::sendEvent(target, &enter);
        if (drop) {
            QDropEvent dropped({10, 10}, Qt::CopyAction, &data, Qt::LeftButton, {});
            QCoreApplication::sendEvent(target, &dropped);
        }
        settle();
    }
};

void collapsed() {
    NotchScene scene;
    scene.settle();
    scene.picture("collapsed-idle");
    scene.trackedFiles();
    scene.picture("collapsed-scheduled-count");
    scene.settings.setShowTestTimers(true);
    scene.decided("almost-gone.txt", ExpiryOption::thirtySeconds);
    scene.advance(21s); // within the last 10 s
    scene.picture("collapsed-countdown");
}

void decisions() {
    NotchScene one;
    one.pendingFiles(1);
    one.picture("expanded-one-pending-row");
    one.click("option-oneHour");
    one.click("doneButton");
    one.picture("expanded-confirmation");

    NotchScene three;
    three.pendingFiles(3);
    three.controller->setSelectedPendingID(std::nullopt);
    three.picture("expanded-three-pending-apply-to-all");
    three.controller->setSelectedPendingID(three.record(pendingNames[1])->id());
    three.picture("expanded-three-pending-one-open");
}

void trackedRows() {
    NotchScene scene;
    scene.trackedFiles();
    scene.pendingFiles(2);
    scene.advance(61s);
    scene.open();
    scene.click(QString::fromLatin1("pendingChip-") + pendingNames[0]);
    scene.click("time-screen recording.mov");
    scene.picture("expanded-tracked-editor");
    scene.click("more-invoice-4411.pdf");
    scene.picture("expanded-menu-open");
    scene.click("submenu-Change expiry");
    scene.picture("expanded-change-expiry-menu");
}

void pages() {
    NotchScene scene;
    scene.settle();
    QMimeData outside;
    outside.setData(
        "text/uri-list",
        QUrl::fromLocalFile(toQString(scene.home.root() / "elsewhere.pdf")).toEncoded());
    scene.drag(outside, false);
    scene.picture("expanded-drop-prompt");
    scene.drag(outside, true);
    scene.picture("expanded-drop-notice");
    scene.advance(3s);
    scene.open();
    scene.picture("expanded-empty");
    const path aside = scene.home.root() / "aside";
    std::filesystem::rename(scene.home.downloads(), aside);
    scene.model.checkDownloadsAccess();
    scene.picture("expanded-access-warning");
    std::filesystem::rename(aside, scene.home.downloads());
    scene.click("retryButton");
    scene.settings.setPauseWatching(true);
    scene.picture("expanded-paused-empty");
}

void storageProblem() {
    NotchScene scene([](ModelWorld& world) {
        std::filesystem::create_directories(world.home.dataHome() / "Fadebin");
        world.recordsDisk = ScopedMount::tmpfs(world.home.dataHome() / "Fadebin", "size=200k");
    });
    if (!scene.recordsDisk)
        return missed("notch/expanded-storage-problem", "cannot mount a small tmpfs (needs root)");
    TrackedFile* waiting = scene.download("waiting.pdf");
    fillDisk(scene.home.dataHome() / "Fadebin/filler");
    scene.model.decide(waiting, ExpiryOption::oneHour);
    for (int i = 0; i < 100 && scene.model.storageProblem().isEmpty(); ++i)
        scene.download("more-" + std::to_string(i), std::string(2000, 'n'));
    scene.open();
    scene.picture("expanded-storage-problem");
}

void lowSpace() {
    // Downloads on a small disk of its own, held in the world's disk slot to outlast the model.
    NotchScene scene([](ModelWorld& world) {
        world.recordsDisk = ScopedMount::tmpfs(world.home.downloads(), "size=20m");
    });
    if (!scene.recordsDisk)
        return missed("notch/expanded-low-space", "cannot mount a small tmpfs (needs root)");
    if (TrackedFile* old = scene.download("old-installer.iso", std::string(4'200'000, 'i')))
        (void)scene.model.deleteNow(old);
    scene.pendingFiles(1);
    scene.advance(LowSpaceWatch::interval);
    scene.model.lowSpace()->check();
    scene.open();
    scene.picture("expanded-low-space");
}

void toastsAndLists() {
    {
        NotchScene scene;
        // Not in the toast, which would open the panel when the toast ends.
        QCursor::setPos(QPoint(5, 395));
        // Moved to the Trash, so it offers "Undo".
        scene.controller->showToast(deletionToast({{pendingNames[0]},
                                                   FileKind::pdf,
                                                   DeletionMethod::trash,
                                                   scene.clock.now(),
                                                   {path(pendingNames[0])}}));
        scene.picture("toast-moved-to-trash");
        scene.advance(4s);
        scene.controller->showToast(releaseToast(
            {{"holiday-photos.zip", "notes.txt"}, FileKind::archive, scene.clock.now()}));
        scene.picture("toast-moved-out");
        scene.advance(4s);
        for (int i = 0; i < 20; ++i)
            scene.decided("file-" + std::to_string(i) + ".bin", ExpiryOption::oneDay);
        scene.open();
        scene.picture("expanded-twenty-rows");
        scene.download("pending.zip");
        scene.open();
        scene.picture("scroll-bar-twenty-rows");
    }
    // The lists as they grow, beside three tracked files.
    NotchScene scene;
    scene.trackedFiles();
    for (int i = 0; i < 30; ++i) {
        const std::string name =
            i < 3 ? std::string(pendingNames[i]) : "download-" + std::to_string(i) + ".zip";
        scene.download(name, std::string(static_cast<std::size_t>(1'000 * (i + 1)), 'x'));
        if (i != 0 && i != 2 && i != 29)
            continue;
        scene.settle();
        scene.picture(QStringLiteral("lists-%1-pending-one-open").arg(i + 1));
        scene.controller->setSelectedPendingID(std::nullopt);
        scene.picture(QStringLiteral("lists-%1-pending").arg(i + 1));
    }
}

// A rule's decision told by its toast; the rule offered after three same choices; a row a
// rule decided, marked in the list.
void rules() {
    NotchScene scene;
    // Not in the toast, which would open the panel when the toast ends.
    QCursor::setPos(QPoint(5, 395));
    (void)scene.settings.addRule(*ruleFromWords(".example.org", "pdf", "", "1d").rule);
    scene.download("invoice-2291.pdf", "payload", "https://billing.example.org/invoice.pdf");
    scene.picture("toast-decided-by-rule");
    scene.advance(4s);
    for (const char* name : {"beach.png", "dunes.png", "sunset.png"}) {
        scene.download(name, "payload", "https://photos.example.net/album");
        scene.open();
        scene.click("option-oneHour");
        scene.click("doneButton");
        if (scene.model.ruleOffer())
            break;
        scene.advance(1s);
    }
    scene.picture("expanded-rule-offer");
    scene.click("ruleOfferAccept");
    scene.advance(1s);
    scene.download("lighthouse.png", "payload", "https://photos.example.net/album");
    scene.advance(4s);
    scene.open();
    scene.picture("expanded-rule-rows");
}

// More waiting than the panel shows: the newest download's row scrolled to, the rest counted;
// then the guide's sample, which keeps its test timers after the guide, beside a download.
void manyWaitingAndTheSample() {
    {
        NotchScene scene;
        scene.settings.setDisplayMode(DisplayMode::hoverOnly);
        for (int i = 0; i < 104; ++i)
            scene.download("waiting-" + std::to_string(i) + ".txt", "w");
        scene.settings.setDisplayMode(DisplayMode::automatic);
        scene.download("newest.txt");
        scene.settle();
        scene.picture("lists-105-pending-newest-open");
    }
    NotchScene scene;
    if (!scene.model.writeSampleFile())
        return;
    scene.settings.setGuideTestTimers(true);
    scene.model.completionFilter().handleItemEvent(scene.file("Fadebin Sample.txt"));
    scene.advance(1500ms);
    scene.download("real.iso");
    scene.settings.setGuideTestTimers(false);
    for (const char* name : {"Fadebin Sample.txt", "real.iso"}) {
        scene.controller->setSelectedPendingID(scene.record(name)->id());
        scene.open();
        scene.picture(QStringLiteral("after-guide-open-%1").arg(QLatin1String(name)));
    }
}

void namesAndMenus() {
    {
        NotchScene scene;
        const std::string name = "two\nlines \xE2\x80\xAE"
                                 "fdp.exe";
        TrackedFile* record = scene.download(name);
        scene.picture("pending-row-name-with-newline-and-override");
        scene.model.decide(record, ExpiryOption::oneHour);
        scene.picture("tracked-row-name-with-newline-and-override");
    }
    NotchScene scene;
    for (int i = 0; i < 4; ++i)
        scene.decided("tracked-" + std::to_string(i) + ".pdf", ExpiryOption::oneDay);
    scene.download("pending.zip");
    for (const char* tracked : {"tracked-0.pdf", "tracked-3.pdf"}) {
        scene.click(QStringLiteral("more-%1").arg(tracked));
        scene.picture(QStringLiteral("menu-open-%1").arg(tracked));
        scene.click("submenu-Change expiry");
        scene.picture(QStringLiteral("change-menu-open-%1").arg(tracked));
        scene.controller->onPressOutsideMenu();
        scene.settle();
    }
}

// Why nothing is watched: the closed notch's warning mark, and a page per cause.
void watchingStopped() {
    const auto inHome = [](const std::function<void(const TempHome&)>& make) {
        return [make](ModelWorld& world) { make(world.home); };
    };
    const auto linkDownloads = [](const path& to) {
        return [to](const TempHome& home) {
            std::filesystem::remove(home.downloads());
            std::filesystem::create_directory_symlink(to.empty() ? home.root() : to,
                                                      home.downloads());
        };
    };
    const std::pair<const char*, std::function<void(ModelWorld&)>> causes[] = {
        {"folderMissing",
         inHome([](const TempHome& home) { std::filesystem::remove(home.downloads()); })},
        {"unmounted", inHome(linkDownloads("/media/someone/Backup Disk/Downloads"))},
        {"downloadsIsHome", inHome(linkDownloads({}))},
        {"databaseUnopenable", inHome([](const TempHome& home) {
             std::filesystem::create_directories(home.dataHome() / "Fadebin");
             writeFile(home.dataHome() / "Fadebin/Fadebin.store", std::string(2048, 'z'));
         })},
    };
    for (const auto& [name, make] : causes) {
        NotchScene scene(make);
        if (std::string_view(name) == "folderMissing")
            scene.picture("collapsed-watching-stopped");
        scene.open();
        scene.picture(QStringLiteral("expanded-problem-") + QLatin1String(name));
    }
    ScopedKernelCalls kernel;
    kernel.fillInstanceTable();
    NotchScene limited;
    limited.open();
    limited.picture("expanded-problem-watchLimit");
}

// Opened from the keyboard over a light and a dark desktop: the cursor's ring on the newest
// waiting file and its choice, on a tracked row's choice, and a button reached with Tab.
void keyboard() {
    for (const auto& [scheme, desktop] :
         {std::pair{"light", QColor(0xee, 0xee, 0xf0)}, {"dark", QColor(0x1c, 0x1c, 0x1e)}}) {
        NotchScene scene;
        scene.decided("notes.txt", ExpiryOption::oneDay);
        scene.pendingFiles(2);
        scene.controller->collapse();
        scene.settle();
        scene.controller->showForKeyboard();
        const auto shot = [&](const char* what) {
            scene.settle();
            scene.panel->setColor(desktop);
            scene.settle();
            save(scene.panel->grabWindow(),
                 QStringLiteral("notch/keyboard-%1-%2").arg(QLatin1String(what), scheme));
        };
        shot("newest-row");
        scene.view().pressKey(Qt::Key_Right);
        shot("next-choice");
        scene.view().pressKey(Qt::Key_Down);
        scene.view().pressKey(Qt::Key_Down);
        scene.view().pressKey(Qt::Key_2);
        shot("tracked-choice");
        QTest::keyClick(scene.panel, Qt::Key_Tab);
        shot("tab-first-button");
    }
}

} // namespace

void renderNotchStates() {
    watchingStopped();
    keyboard();
    collapsed();
    decisions();
    trackedRows();
    pages();
    storageProblem();
    lowSpace();
    toastsAndLists();
    manyWaitingAndTheSample();
    rules();
    namesAndMenus();
}

// Every icon, plain and bold, every kind's tile, and the outline in each state with and
// without a camera housing, on one sheet.
void renderIconSheet() {
    constexpr int width = 1260;
    const std::vector<IconAsset> assets = IconAsset::all();
    const int tilesTop = 24 + (static_cast<int>(assets.size()) + 10) / 11 * 48;
    const int shapesTop = tilesTop + 72; // then two rows of outlines, 324 each
    QImage sheet = clearCanvas(width, shapesTop + 2 * 324, 2);
    sheet.fill(QColor(28, 28, 30));
    QPainter painter(&sheet);
    painter.setRenderHint(QPainter::Antialiasing);
    for (std::size_t i = 0; i < assets.size(); ++i) {
        const QPointF at(24 + static_cast<double>(i % 11) * 88, 24 + (i / 11) * 48.0);
        Icon{assets[i], 32, false}.paint(painter, at, Qt::white);
        Icon{assets[i], 32, true}.paint(painter, at + QPointF(40, 0), Qt::white);
    }
    for (int k = 0; k < fileKindCount; ++k)
        FileIconTile{static_cast<FileKind>(k), 44}.paint(painter, QPointF(24 + k * 54, tilesTop));
    // Collapsed, toast and expanded: with a housing (flared) above, without one below.
    for (int row = 0; row < 2; ++row) {
        const bool housing = row == 0;
        double x = 24;
        for (const NotchState state :
             {NotchState::collapsed, NotchState::toast, NotchState::expanded}) {
            const QSizeF size(state == NotchState::collapsed ? (housing ? 268 : 256)
                                                             : (housing ? 448 : 420),
                              state == NotchState::collapsed ? 32
                              : state == NotchState::toast   ? 104
                                                             : 300);
            const QRectF frame(QPointF(x, shapesTop + row * 324), size);
            painter.fillPath(NotchShape::forState(state, housing).path(frame),
                             QColor(200, 200, 205));
            x += size.width() + 24;
        }
    }
    painter.end();
    save(sheet, QStringLiteral("notch/contact-sheet"));
}

QImage notchShowcase() {
    NotchScene three;
    three.pendingFiles(3);
    three.controller->setSelectedPendingID(three.record(pendingNames[1])->id());
    three.panel->setColor(QColor(0x8a, 0x8f, 0x98));
    three.settle();
    return three.panel->grabWindow();
}

} // namespace fadebin::pictures
