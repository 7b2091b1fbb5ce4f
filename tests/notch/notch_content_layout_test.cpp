// The real QML over a real model: what names, menus, the scroll bar and the times look like
// and where they sit, which properties tell of a change, and what drops answer. The states
// are rendered to build/notch-states/NAME.png for people to look at.
#include "ContentFixture.h"
#include "notch/SoftwareRendering.h"

#include <QDir>
#include <QGuiApplication>
#include <QMimeData>

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
    void save(const QString& name) {
        panel->setColor(QColor(0x8a, 0x8f, 0x98));
        settle();
        const QImage picture = panel->grabWindow();
        ASSERT_FALSE(picture.isNull());
        QDir().mkpath(QStringLiteral(FADEBIN_PICTURES));
        EXPECT_TRUE(picture.save(QStringLiteral(FADEBIN_PICTURES "/%1.png").arg(name)));
    }
    void trackedFiles(int count) {
        for (int i = 0; i < count; ++i)
            decided("tracked-" + std::to_string(i) + ".pdf", ExpiryOption::oneDay);
    }
};

// Promised files and direct saves are not files yet: the notch says so instead of doing
// nothing. Whatever the source proposes, a drop is answered as a copy: nothing moved.
TEST_F(LayoutTest, PromisesAndDirectSavesAreRefusedAndDropsAnswerAsCopies) {
    settle();
    QQuickItem* target = find("dropArea");
    ASSERT_NE(target, nullptr);
    const auto drop = [&](const QMimeData& data) {
        // Shift proposes a move.
        QDragEnterEvent enter({10, 10}, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton,
                              Qt::ShiftModifier);
        QCoreApplication::sendEvent(target, &enter);
        settle();
        EXPECT_TRUE(enter.isAccepted());
        EXPECT_EQ(page(), "dropPrompt");
        QDropEvent dropped({10, 10}, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton,
                           Qt::ShiftModifier);
        EXPECT_EQ(dropped.proposedAction(), Qt::MoveAction);
        QCoreApplication::sendEvent(target, &dropped);
        settle();
        EXPECT_TRUE(dropped.isAccepted());
        EXPECT_EQ(dropped.dropAction(), Qt::CopyAction);
    };
    QMimeData directSave, promise, mixed, inside;
    directSave.setData(QStringLiteral("XdndDirectSave0"), "report.pdf");
    promise.setData(QStringLiteral("application/x-File-Promise"), "x");
    for (const QMimeData* data : {&directSave, &promise}) {
        drop(*data);
        EXPECT_EQ(page(), "dropNotice");
        EXPECT_EQ(controller->dropNotice(), NotchController::unsavedDropNotice);
        advance(3s);
    }
    // A promise beside files from elsewhere: those files are what is refused.
    mixed.setData(QStringLiteral("XdndDirectSave0"), "a");
    mixed.setData(QStringLiteral("text/uri-list"), "file:///elsewhere/a.pdf\r\n");
    drop(mixed);
    EXPECT_EQ(controller->dropNotice(), NotchController::refusedDropNotice);
    advance(3s);
    writeFile(file("dropped.txt"), "d");
    inside.setData(QStringLiteral("text/uri-list"),
                   QUrl::fromLocalFile(toQString(file("dropped.txt"))).toEncoded());
    drop(inside);
    EXPECT_NE(record("dropped.txt"), nullptr);
    EXPECT_TRUE(pathExists(file("dropped.txt")));
}

} // namespace

// Twice the size, rendered as the program renders.
int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ::setenv("QT_SCALE_FACTOR", "2", 1);
    useSoftwareRendering();
    QGuiApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
