// The real QML over a real model: what names and the times look like, which properties tell
// of a change. Where menus and the scroll bar sit is for tools/pictures' pictures.
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
