// The notch's lists as list models: a change of the model's lists is told as the fewest row
// signals (never a reset), checked by Qt Test's model tester and signal counts; in the real
// QML a row's delegate outlives changes of other rows, and a pending row's editor is made
// only when the row opens.
#include "ContentFixture.h"
#include "notch/NotchFileList.h"

#include <QAbstractItemModelTester>
#include <QPointer>
#include <QSignalSpy>

#include <algorithm>
#include <random>

using namespace fadebin;
using namespace fadebin::test;
using namespace std::chrono_literals;

namespace {

// Every row signal a list can send after a change, counted.
struct RowSignals {
    using M = QAbstractItemModel;
    explicit RowSignals(M* m)
        : inserted(m, &M::rowsInserted)
        , removed(m, &M::rowsRemoved)
        , moved(m, &M::rowsMoved)
        , changed(m, &M::dataChanged)
        , reset(m, &M::modelReset)
        , layout(m, &M::layoutChanged) {}

    [[nodiscard]] qsizetype total() const {
        qsizetype n = 0;
        for (const QSignalSpy* spy : {&inserted, &removed, &moved, &changed, &reset, &layout})
            n += spy->size();
        return n;
    }
    void clear() {
        for (QSignalSpy* spy : {&inserted, &removed, &moved, &changed, &reset, &layout})
            spy->clear();
    }

    QSignalSpy inserted, removed, moved, changed, reset, layout;
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

// An insertion, a removal, a move up and one down and a field change are one row signal
// each, in a short list and in a long one.
TEST_F(FileListTest, EachChangeIsOneRowSignalInAShortListAndALongOne) {
    struct Case {
        int size, insertAt, removeAt;
    };
    for (const Case c : {Case{3, 2, 1}, Case{2000, 700, 1234}}) {
        SCOPED_TRACE(c.size);
        QList<TrackedFile*> changed = records(c.size + 1);
        TrackedFile* extra = changed.takeLast();
        RowSignals spy(&list);
        // The one signal a change sent, with its (first, last) rows.
        const auto expectOne = [&](QSignalSpy& only, int first, int last) {
            ASSERT_EQ(only.size(), 1);
            EXPECT_EQ(only.at(0).at(1).toInt(), first);
            EXPECT_EQ(only.at(0).at(2).toInt(), last);
            EXPECT_EQ(spy.total(), 1);
            spy.clear();
        };
        list.setFiles(changed);
        expectOne(spy.inserted, 0, c.size - 1); // the first rows come as one insertion
        changed.insert(c.insertAt, extra);
        list.setFiles(changed);
        expectOne(spy.inserted, c.insertAt, c.insertAt);
        changed.removeAt(c.removeAt);
        list.setFiles(changed);
        expectOne(spy.removed, c.removeAt, c.removeAt);

        // The last row to the top (an expiry that came sooner than all), then the first to the
        // end (one that moved past everyone's): one move each, each row keeping its object.
        const int last = c.size - 1;
        for (const auto& [from, to] : {std::pair{last, 0}, std::pair{0, last}}) {
            const QList<NotchFileRow*> before = list.rows();
            changed.move(from, to);
            list.setFiles(changed);
            ASSERT_EQ(spy.moved.size(), 1);
            EXPECT_EQ(spy.moved.at(0).at(1).toInt(), from);
            EXPECT_EQ(spy.moved.at(0).at(4).toInt(), to == 0 ? 0 : c.size);
            EXPECT_EQ(spy.total(), 1);
            EXPECT_EQ(shown(list), changed);
            EXPECT_EQ(list.at(to), before[from]) << "a row keeps its object when it moves";
            EXPECT_EQ(list.at(1), before[to == 0 ? 0 : 2]);
            spy.clear();
        }
        changed[1]->setDisplayName("renamed.pdf");
        ASSERT_EQ(spy.changed.size(), 1);
        EXPECT_EQ(spy.changed.at(0).at(0).value<QModelIndex>().row(), 1);
        EXPECT_EQ(spy.changed.at(0).at(1).value<QModelIndex>().row(), 1);
        EXPECT_EQ(spy.total(), 1);
        EXPECT_EQ(list.data(list.index(1), NotchFileList::nameRole), "renamed.pdf");

        spy.clear();
        list.setFiles(changed);
        EXPECT_EQ(spy.total(), 0) << "the same list is no change";
        list.setFiles({});
        EXPECT_EQ(spy.removed.size(), 1);
    }
}

TEST_F(FileListTest, AnyNewOrderEndsAsTheListWithTheRowsKept) {
    const QList<TrackedFile*> pool = records(60);
    std::mt19937 random(7);
    QHash<TrackedFile*, NotchFileRow*> rowOf;
    for (int round = 0; round < 200; ++round) {
        QList<TrackedFile*> next = pool;
        std::shuffle(next.begin(), next.end(), random);
        // One row at least: Qt 6.4's QList == passes the null data of two empty lists to
        // memcmp, which the sanitizers refuse; the first test empties a list.
        next.resize(1 + static_cast<qsizetype>(random() % pool.size()));
        RowSignals spy(&list);
        list.setFiles(next);
        ASSERT_EQ(shown(list), next) << "round " << round;
        EXPECT_EQ(spy.reset.size() + spy.layout.size(), 0);
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
