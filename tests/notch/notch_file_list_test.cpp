// The notch's lists as list models: a change is the fewest row signals, never a reset (with Qt
// Test's model tester); in the real QML a row's delegate outlives changes of other rows.
#include "ContentFixture.h"
#include "notch/NotchFileList.h"

#include <QAbstractItemModelTester>
#include <QPointer>

#include <algorithm>
#include <random>

using namespace fadebin;
using namespace fadebin::test;
using namespace std::chrono_literals;

namespace {

// The row signals a list sent since the last take, as "inserted 0 2;" or "moved from to;".
class RowSignals {
public:
    explicit RowSignals(QAbstractItemModel* m) {
        using M = QAbstractItemModel;
        const auto rows = [this](const char* kind) {
            return [this, kind](const QModelIndex&, int a, int b) { add(kind, a, b); };
        };
        QObject::connect(m, &M::rowsInserted, &m_receiver, rows("inserted"));
        QObject::connect(m, &M::rowsRemoved, &m_receiver, rows("removed"));
        QObject::connect(m, &M::rowsMoved, &m_receiver,
                         [this](const QModelIndex&, int from, int, const QModelIndex&, int to) {
                             add("moved", from, to);
                         });
        QObject::connect(m, &M::dataChanged, &m_receiver,
                         [this](const QModelIndex& first, const QModelIndex& last) {
                             add("changed", first.row(), last.row());
                         });
        QObject::connect(m, &M::modelReset, &m_receiver, [this] { m_sent += "reset;"; });
        QObject::connect(m, &M::layoutChanged, &m_receiver, [this] { m_sent += "layout;"; });
    }
    [[nodiscard]] static std::string one(const char* kind, int a, int b) {
        return std::string(kind) + " " + std::to_string(a) + " " + std::to_string(b) + ";";
    }
    std::string take() { return std::exchange(m_sent, {}); }

private:
    void add(const char* kind, int a, int b) { m_sent += one(kind, a, b); }
    QObject m_receiver;
    std::string m_sent;
};

class FileListTest : public ::testing::Test, public ContentFixture {
protected:
    // A list of records made here, its rows made by the real view model.
    FileListTest()
        : list([this](TrackedFile* file) {
            return new NotchFileRow(file, FileKind::other, view());
        }) {}

    QList<TrackedFile*> records(int count) {
        QList<TrackedFile*> made;
        for (int i = 0; i < count; ++i)
            made.append(new TrackedFile({}, QStringLiteral("file %1.pdf").arg(i), std::nullopt, 0,
                                        "pending", std::nullopt, {}, clock, &owner));
        return made;
    }
    [[nodiscard]] static QList<TrackedFile*> shown(const NotchFileList& l) {
        QList<TrackedFile*> files;
        for (NotchFileRow* row : l.rows())
            files.append(row->file());
        return files;
    }

    QObject owner;
    NotchFileList list;
    QAbstractItemModelTester tester{&list, QAbstractItemModelTester::FailureReportingMode::Fatal};
};

TEST_F(FileListTest, EachChangeIsOneRowSignalInAShortListAndALongOne) {
    struct Case {
        int size, insertAt, removeAt;
    };
    for (const Case c : {Case{3, 2, 1}, Case{2000, 700, 1234}}) {
        SCOPED_TRACE(c.size);
        QList<TrackedFile*> changed = records(c.size + 1);
        TrackedFile* extra = changed.takeLast();
        RowSignals spy(&list);
        list.setFiles(changed);
        EXPECT_EQ(spy.take(), RowSignals::one("inserted", 0, c.size - 1)) << "as one insertion";
        changed.insert(c.insertAt, extra);
        list.setFiles(changed);
        EXPECT_EQ(spy.take(), RowSignals::one("inserted", c.insertAt, c.insertAt));
        changed.removeAt(c.removeAt);
        list.setFiles(changed);
        EXPECT_EQ(spy.take(), RowSignals::one("removed", c.removeAt, c.removeAt));

        // The last row to the top (an expiry sooner than all), then the first to the end.
        const int last = c.size - 1;
        for (const auto& [from, to] : {std::pair{last, 0}, std::pair{0, last}}) {
            const QList<NotchFileRow*> before = list.rows();
            changed.move(from, to);
            list.setFiles(changed);
            EXPECT_EQ(spy.take(), RowSignals::one("moved", from, to == 0 ? 0 : c.size));
            EXPECT_EQ(shown(list), changed);
            EXPECT_EQ(list.at(to), before[from]) << "a row keeps its object when it moves";
            EXPECT_EQ(list.at(1), before[to == 0 ? 0 : 2]);
        }
        changed[1]->setDisplayName("renamed.pdf");
        EXPECT_EQ(spy.take(), RowSignals::one("changed", 1, 1));
        EXPECT_EQ(list.data(list.index(1), NotchFileList::nameRole), "renamed.pdf");
        list.setFiles(changed);
        EXPECT_EQ(spy.take(), "") << "the same list is no change";
        list.setFiles({});
        EXPECT_EQ(spy.take(), RowSignals::one("removed", 0, c.size - 1));
    }
}

TEST_F(FileListTest, AnyNewOrderEndsAsTheListWithTheRowsKept) {
    const QList<TrackedFile*> pool = records(60);
    std::mt19937 random(7);
    QHash<TrackedFile*, NotchFileRow*> rowOf;
    RowSignals spy(&list);
    for (int round = 0; round < 200; ++round) {
        QList<TrackedFile*> next = pool;
        std::shuffle(next.begin(), next.end(), random);
        // One row at least: Qt 6.4's == of two empty QLists gives memcmp null (the sanitizers).
        next.resize(1 + static_cast<qsizetype>(random() % pool.size()));
        list.setFiles(next);
        ASSERT_EQ(shown(list), next) << "round " << round;
        const std::string sent = spy.take();
        EXPECT_TRUE(sent.find("reset") == sent.npos && sent.find("layout") == sent.npos) << sent;
        // A file shown before and after keeps its row object, however far it moved.
        for (NotchFileRow* row : list.rows())
            EXPECT_EQ(rowOf.value(row->file(), row), row) << "round " << round;
        rowOf.clear();
        for (NotchFileRow* row : list.rows())
            rowOf.insert(row->file(), row);
        // What left is gone with the next turn; what stayed is the same object.
        nextTurn();
    }
}

TEST_F(FileListTest, ADelegateOutlivesTheChangesOfOtherRows) {
    trackedFiles();
    downloads({"a.zip", "b.zip", "c.zip"});
    open();
    const QPointer<QQuickItem> lists = find("lists");
    const QPointer<QQuickItem> notes = find("trackedRow-notes.txt");
    const QPointer<QQuickItem> chip = find("pendingChip-b.zip");
    ASSERT_TRUE(lists && notes && chip);

    view().deleteNow(record("invoice-4411.pdf")->id().toString(QUuid::WithoutBraces));
    settle();
    EXPECT_EQ(find("trackedRow-notes.txt"), notes.data());

    // A decision shows its card over the lists, which come back as they were.
    view().selectPending(record("a.zip")->id().toString(QUuid::WithoutBraces));
    settle();
    click("option-oneHour");
    click("doneButton");
    EXPECT_EQ(page(), "confirmation");
    advance(NotchController::confirmationDuration);
    EXPECT_EQ(page(), "lists");
    EXPECT_EQ(find("pendingChip-a.zip"), nullptr);
    EXPECT_NE(find("trackedRow-a.zip"), nullptr);
    EXPECT_EQ(find("pendingChip-b.zip"), chip.data());
    EXPECT_EQ(find("trackedRow-notes.txt"), notes.data());
    EXPECT_EQ(find("lists"), lists.data()) << "the page is not made again";
}

} // namespace

// A burst of changes is shown in steps, not row by row; a change after a quiet spell at once.
TEST_F(FileListTest, ABurstOfChangesReachesTheRowsTogetherAndAQuietChangeAtOnce) {
    std::vector<TrackedFile*> files;
    for (int i = 0; i < 12; ++i)
        files.push_back(download("burst-" + std::to_string(i) + ".bin"));
    TrackedFile* last = download("last.bin");
    NotchFileList& pending = *view().pendingRows();
    NotchFileList& tracked = *view().trackedRows();
    ASSERT_EQ(pending.count(), 13);

    for (TrackedFile* f : files)
        model.decide(f, ExpiryOption::oneDay);
    EXPECT_GT(pending.count(), 1) << "every decision of the burst was shown one by one";

    clock.advance(NotchViewModel::rowsInterval);
    EXPECT_EQ(pending.count(), 1);
    EXPECT_EQ(tracked.count(), 12);

    clock.advance(NotchViewModel::rowsInterval); // quiet
    model.decide(last, ExpiryOption::oneHour);
    EXPECT_EQ(pending.count(), 0);
    EXPECT_EQ(tracked.count(), 13);
}
