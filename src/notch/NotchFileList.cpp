#include "notch/NotchFileList.h"

#include "notch/NotchFileRow.h"

#include <algorithm>
#include <vector>

namespace fadebin {

namespace {

// Which positions of seq (distinct values) form a longest increasing run: the rows that
// stay while the others move around them. O(m log m).
std::vector<bool> longestIncreasing(const std::vector<int>& seq) {
    std::vector<int> tails;              // position in seq of the last of each run length
    std::vector<int> before(seq.size()); // the previous position of the run through each
    for (int i = 0; i < static_cast<int>(seq.size()); ++i) {
        const auto at =
            std::lower_bound(tails.begin(), tails.end(), seq[i],
                             [&seq](int position, int value) { return seq[position] < value; });
        before[i] = at == tails.begin() ? -1 : *(at - 1);
        if (at == tails.end())
            tails.push_back(i);
        else
            *at = i;
    }
    std::vector<bool> stays(seq.size(), false);
    for (int i = tails.empty() ? -1 : tails.back(); i >= 0; i = before[i])
        stays[i] = true;
    return stays;
}

} // namespace

NotchFileList::NotchFileList(RowFactory makeRow, QObject* parent)
    : QAbstractListModel(parent)
    , m_makeRow(std::move(makeRow)) {}

NotchFileList::~NotchFileList() = default;

int NotchFileList::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : count();
}

QVariant NotchFileList::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const NotchFileRow* row = m_rows.at(index.row());
    switch (role) {
    case fileRole:
        return QVariant::fromValue(static_cast<QObject*>(const_cast<NotchFileRow*>(row)));
    case Qt::DisplayRole:
    case nameRole:
        return row->name();
    case idRole:
        return row->id();
    case kindRole:
        return row->kind();
    case detailRole:
        return row->detail();
    case remainingRole:
        return row->remaining();
    case selectionRole:
        return row->selection();
    case previewRole:
        return row->preview();
    default:
        return {};
    }
}

QHash<int, QByteArray> NotchFileList::roleNames() const {
    return {{fileRole, "file"},           {idRole, "fileId"},      {nameRole, "name"},
            {kindRole, "kind"},           {detailRole, "detail"},  {remainingRole, "remaining"},
            {selectionRole, "selection"}, {previewRole, "preview"}};
}

bool NotchFileList::sameFiles(const QList<TrackedFile*>& files) const {
    if (files.size() != m_rows.size())
        return false;
    for (qsizetype i = 0; i < files.size(); ++i)
        if (m_rows.at(i)->file() != files.at(i))
            return false;
    return true;
}

void NotchFileList::setFiles(const QList<TrackedFile*>& files) {
    if (sameFiles(files))
        return;
    const int before = count();
    QHash<TrackedFile*, int> target;
    target.reserve(files.size());
    for (qsizetype i = 0; i < files.size(); ++i)
        target.insert(files.at(i), static_cast<int>(i));
    removeGone(target);
    moveKept(target);
    insertNew(files);
    if (count() != before)
        Q_EMIT countChanged();
}

// Every run of rows whose record left (or ended) as one removal, from the end up.
void NotchFileList::removeGone(const QHash<TrackedFile*, int>& target) {
    const auto gone = [&target](const NotchFileRow* row) {
        return row->file() == nullptr || !target.contains(row->file());
    };
    for (int last = count() - 1; last >= 0; --last) {
        if (!gone(m_rows.at(last)))
            continue;
        int first = last;
        while (first > 0 && gone(m_rows.at(first - 1)))
            --first;
        beginRemoveRows({}, first, last);
        const QList<NotchFileRow*> removed = m_rows.mid(first, last - first + 1);
        m_rows.remove(first, last - first + 1);
        m_indexValid = false;
        for (NotchFileRow* row : removed)
            m_byId.remove(row->id());
        endRemoveRows();
        // Views may still hold a row that left the list until the next turn.
        for (NotchFileRow* row : removed) {
            disconnect(row, nullptr, this, nullptr);
            row->deleteLater();
        }
        last = first;
    }
}

// The rows that stay, in their new order: the longest run already in order stays put, and
// each other row moves, in the new order, to just after the row that comes before it.
void NotchFileList::moveKept(const QHash<TrackedFile*, int>& target) {
    std::vector<int> seq;
    seq.reserve(m_rows.size());
    bool ordered = true;
    for (const NotchFileRow* row : m_rows) {
        seq.push_back(target.value(row->file()));
        ordered = ordered && (seq.size() < 2 || seq[seq.size() - 2] < seq.back());
    }
    if (ordered)
        return;
    const std::vector<bool> stays = longestIncreasing(seq);
    std::vector<std::pair<int, NotchFileRow*>> order; // (new index, row), in the new order
    order.reserve(m_rows.size());
    for (qsizetype k = 0; k < m_rows.size(); ++k)
        order.emplace_back(seq[k], m_rows.at(k));
    QHash<const NotchFileRow*, bool> fixed;
    fixed.reserve(m_rows.size());
    for (qsizetype k = 0; k < m_rows.size(); ++k)
        fixed.insert(m_rows.at(k), stays[k]);
    std::sort(order.begin(), order.end());
    for (std::size_t p = 0; p < order.size(); ++p) {
        NotchFileRow* row = order[p].second;
        if (fixed.value(row))
            continue;
        const int from = static_cast<int>(m_rows.indexOf(row));
        const int to = p == 0 ? 0 : static_cast<int>(m_rows.indexOf(order[p - 1].second)) + 1;
        moveRow(from, to);
        fixed.insert(row, true);
    }
}

// One row to before the row at `to` (positions before the move).
void NotchFileList::moveRow(int from, int to) {
    if (to == from || to == from + 1)
        return;
    beginMoveRows({}, from, from, {}, to);
    m_rows.move(from, to > from ? to - 1 : to);
    m_indexValid = false;
    endMoveRows();
}

// The records that joined, each run of them as one insertion. The rows already here are in
// the new order, so the record at each position is either theirs or a new one.
void NotchFileList::insertNew(const QList<TrackedFile*>& files) {
    const int n = static_cast<int>(files.size());
    for (int i = 0; i < n;) {
        TrackedFile* here = i < count() ? m_rows.at(i)->file() : nullptr;
        if (files.at(i) == here) {
            ++i;
            continue;
        }
        int end = i;
        while (end < n && files.at(end) != here)
            ++end;
        beginInsertRows({}, i, end - 1);
        QList<NotchFileRow*> added;
        added.reserve(end - i);
        for (int k = i; k < end; ++k)
            added.append(adopt(files.at(k)));
        m_rows.insert(i, end - i, nullptr);
        std::copy(added.begin(), added.end(), m_rows.begin() + i);
        m_indexValid = false;
        endInsertRows();
        i = end;
    }
}

NotchFileRow* NotchFileList::adopt(TrackedFile* file) {
    NotchFileRow* row = m_makeRow(file);
    row->setParent(this);
    m_byId.insert(row->id(), row);
    connect(row, &NotchFileRow::textsChanged, this, [this, row] {
        rowChanged(row, {nameRole, kindRole, detailRole, remainingRole, Qt::DisplayRole});
    });
    connect(row, &NotchFileRow::selectionChanged, this, [this, row] {
        rowChanged(row, {selectionRole, previewRole});
    });
    return row;
}

int NotchFileList::indexOf(const NotchFileRow* row) const {
    if (!m_indexValid) {
        m_index.clear();
        m_index.reserve(m_rows.size());
        for (qsizetype i = 0; i < m_rows.size(); ++i)
            m_index.insert(m_rows.at(i), static_cast<int>(i));
        m_indexValid = true;
    }
    return m_index.value(row, -1);
}

void NotchFileList::rowChanged(NotchFileRow* row, const QList<int>& roles) {
    const int at = indexOf(row);
    if (at < 0)
        return;
    const QModelIndex changed = index(at);
    Q_EMIT dataChanged(changed, changed, roles);
}

} // namespace fadebin
