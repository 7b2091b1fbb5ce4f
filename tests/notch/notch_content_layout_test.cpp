// The real QML over a real model: what names, menus, the scroll bar and the times look like
// and where they sit, which properties tell of a change, and what drops answer.
#include "ContentFixture.h"
#include "notch/NotchFileList.h"
#include "notch/SoftwareRendering.h"
#include "support/GuiTestMain.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QSignalSpy>

using namespace fadebin;
using namespace fadebin::test;
using namespace std::chrono_literals;

namespace {

class LayoutTest : public ::testing::Test, public ContentFixture {
protected:
    [[nodiscard]] QString page() const { return view().page(); }
    [[nodiscard]] static QRectF sceneRect(const QQuickItem* item) {
        return item != nullptr ? item->mapRectToScene(item->boundingRect()) : QRectF();
    }
    [[nodiscard]] QRectF sceneRect(const QString& name) const { return sceneRect(find(name)); }
    // Where the black shape is drawn; menus and the scroll bar must stay inside it.
    [[nodiscard]] QRectF shape() const { return sceneRect(QStringLiteral("surface")); }
    [[nodiscard]] static std::string text(const QRectF& r) {
        return QStringLiteral("%1,%2 %3x%4")
            .arg(r.x())
            .arg(r.y())
            .arg(r.width())
            .arg(r.height())
            .toStdString();
    }
    [[nodiscard]] static bool inside(const QRectF& inner, const QRectF& outer) {
        return outer.adjusted(-0.5, -0.5, 0.5, 0.5).contains(inner);
    }
    // A tracked row's menu by its name, drawn where its background is.
    [[nodiscard]] QRectF menuRect(const QString& row, const QString& name) const {
        QQuickItem* owner = find("trackedRow-" + row);
        auto* menu = owner != nullptr ? owner->findChild<QObject*>(name) : nullptr;
        if (menu == nullptr || !menu->property("visible").toBool())
            return {};
        return sceneRect(menu->property("background").value<QQuickItem*>());
    }
    void trackedFiles(int count) {
        for (int i = 0; i < count; ++i)
            decided("tracked-" + std::to_string(i) + ".pdf", ExpiryOption::oneDay);
    }
};

// A newline and a right-to-left override in a name: one line in the row, the chip and the
// tracked row, the override shown instead of obeyed; the record and the file keep the bytes.
TEST_F(LayoutTest, NamesThatWouldBreakLinesOrTurnAroundShowOnOneLine) {
    const std::string name = "two\nlines \xE2\x80\xAE"
                             "fdp.exe";
    TrackedFile* record = download(name);
    ASSERT_NE(record, nullptr);
    settle();
    const auto expectOneLine = [&](const char* label) {
        QQuickItem* text = find(QString::fromLatin1(label));
        ASSERT_NE(text, nullptr) << label;
        EXPECT_EQ(text->property("lineCount").toInt(), 1) << label;
        const QString shown = text->property("text").toString();
        EXPECT_FALSE(shown.contains(QLatin1Char('\n')) || shown.contains(QChar(0x202E))) << label;
        EXPECT_TRUE(shown.contains(QStringLiteral("fdp.exe"))) << label;
    };
    expectOneLine("pendingName");
    controller->setSelectedPendingID(std::nullopt);
    settle();
    expectOneLine("chipName");
    EXPECT_EQ(find(QString::fromStdString("pendingChip-" + name))->height(), 28);
    model.decide(record, ExpiryOption::oneHour);
    settle();
    expectOneLine("trackedName");
    EXPECT_EQ(record->displayName(), QString::fromStdString(name));
    EXPECT_TRUE(pathExists(file(name)));
}

TEST_F(LayoutTest, ARowWhoseRecordEndedMeanwhileDecidesNothingAndShowsNoCard) {
    TrackedFile* gone = download("gone.pdf");
    settle();
    gone->setStatus(FileStatus::cancelled); // the row on screen is a moment behind
    ASSERT_NE(find("pendingRow-gone.pdf"), nullptr);
    click("doneButton");
    EXPECT_FALSE(controller->confirmation().has_value());
    EXPECT_NE(page(), "confirmation");
}

// Menus open below their row, or beside it when the shape ends first; never over their own
// row's time and button, never past the outline. Every entry has its icon.
TEST_F(LayoutTest, MenusStayInsideTheShapeAndOffTheirRowAndCarryIcons) {
    trackedFiles(4);
    download("pending.zip");
    settle();
    for (const char* tracked : {"tracked-0.pdf", "tracked-3.pdf"}) {
        const QString name = QString::fromLatin1(tracked);
        click("more-" + name);
        const QRectF menu = menuRect(name, "menu-" + name);
        ASSERT_FALSE(menu.isEmpty()) << tracked;
        EXPECT_TRUE(inside(menu, shape()))
            << tracked << ": " << text(menu) << " in " << text(shape());
        for (const QString& own : {"time-" + name, "more-" + name})
            EXPECT_FALSE(menu.intersects(sceneRect(own)))
                << tracked << " over " << own.toStdString() << ": " << text(menu) << " and "
                << text(sceneRect(own));
        for (const char* entry : {"keepForeverItem", "showInFolderItem", "deleteNowItem"}) {
            QQuickItem* item = find(QString::fromLatin1(entry));
            ASSERT_NE(item, nullptr) << entry;
            auto* icon = item->findChild<QQuickItem*>(QStringLiteral("menuIcon"));
            ASSERT_NE(icon, nullptr) << entry;
            EXPECT_TRUE(icon->isVisible()) << entry;
            EXPECT_EQ(icon->property("status").toInt(), 1) << entry << " (Image.Ready)";
        }
        click("submenu-Change expiry");
        const QRectF changeMenu = menuRect(name, "changeMenu-" + name);
        ASSERT_FALSE(changeMenu.isEmpty()) << tracked;
        EXPECT_TRUE(inside(changeMenu, shape())) << tracked;
        EXPECT_FALSE(changeMenu.intersects(sceneRect("time-" + name))) << tracked;
        controller->onPressOutsideMenu();
        settle();
        EXPECT_FALSE(int(controller->isMenuOpen()));
    }
}

TEST_F(LayoutTest, TheScrollBarRunsBesideTheRowsInsideTheShape) {
    trackedFiles(20);
    download("pending.zip");
    open();
    QQuickItem* bar = find("scrollBar");
    ASSERT_NE(bar, nullptr);
    const QRectF rows = sceneRect("scrollArea");
    EXPECT_FALSE(sceneRect(bar).intersects(rows));
    EXPECT_TRUE(inside(sceneRect(bar), shape()));
    EXPECT_LT(bar->property("size").toDouble(), 1.0) << "the rows are taller than the area";
}

// The tracked time changes every second; its width may only change with its form.
TEST_F(LayoutTest, TimesKeepTheirWidthAsTheirDigitsChange) {
    settings.setShowTestTimers(true);
    decided("soon.txt", ExpiryOption::thirtySeconds);
    open();
    QQuickItem* time = find("time-soon.txt");
    ASSERT_NE(time, nullptr);
    // A face whose own digits differ in width, when the machine has one.
    const QStringList families = QFontDatabase::families(QFontDatabase::Latin);
    const auto proportional = std::find_if(families.begin(), families.end(), [](const QString& f) {
        const QFontMetricsF metrics{QFont(f, 12)};
        return metrics.horizontalAdvance(QLatin1Char('1')) !=
               metrics.horizontalAdvance(QLatin1Char('0'));
    });
    if (proportional != families.end()) {
        QFont font = time->property("font").value<QFont>();
        font.setFamily(*proportional);
        time->setProperty("font", font);
    }
    QList<double> widths;
    for (int second = 0; second < 10; ++second) {
        widths << time->implicitWidth();
        advance(1s);
    }
    EXPECT_EQ(widths, QList<double>(10, widths.front()))
        << "face " << (proportional != families.end() ? proportional->toStdString() : "default");
}

TEST_F(LayoutTest, PropertiesTellOnlyOfTheirOwnChanges) {
    QSignalSpy state(&view(), &NotchViewModel::stateChanged);
    QSignalSpy geometry(&view(), &NotchViewModel::geometryChanged);
    QSignalSpy pages(&view(), &NotchViewModel::pageChanged);
    Q_EMIT controller->geometryChanged();
    EXPECT_EQ(geometry.count(), 1);
    EXPECT_EQ(state.count(), 0) << "the screens changed, the state did not";
    open();
    EXPECT_EQ(state.count(), 1);
    controller->setDropTargeted(true);
    EXPECT_EQ(page(), "dropPrompt");
    pages.clear();
    controller->showConfirmation({QUuid(), FileKind::other, ExpiryOption::forever, {}, "x"});
    EXPECT_EQ(page(), "dropPrompt");
    EXPECT_EQ(pages.count(), 0) << "a card behind the drop prompt changes no page";
    controller->setDropTargeted(false);
    advance(2s);

    TrackedFile* file = download("preview.pdf");
    NotchFileRow* row = view().pendingRows()->row(file->id().toString(QUuid::WithoutBraces));
    ASSERT_NE(row, nullptr);
    row->setSelection(QStringLiteral("oneHour"));
    QSignalSpy selection(row, &NotchFileRow::selectionChanged);
    const QString preview = row->preview();
    advance(60s);
    EXPECT_NE(row->preview(), preview);
    EXPECT_EQ(selection.count(), 0) << "only the preview moved on";
}

} // namespace

int main(int argc, char** argv) {
    // At twice the size, as on the screens of most laptops.
    return fadebin::test::runGuiTests(argc, argv, {.scale = "2"});
}
