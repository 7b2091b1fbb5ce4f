#pragma once

#include <QAbstractListModel>
#include <QHash>
#include <QList>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include <functional>

namespace fadebin {

class NotchFileRow;
class TrackedFile;

// One of the notch's lists (the pending files, the tracked files) as a list model: a row per
// record, in the order the application model gives. Each row's object (a NotchFileRow) is
// made when its record joins the list and kept while it stays, so that views keep their
// delegates and the row its state. A new order is compared with the rows by record identity
// and told as the fewest row signals: inserts, removals, moves; never a reset.
class NotchFileList : public QAbstractListModel {
    Q_OBJECT
    QML_NAMED_ELEMENT(NotchFileList)
    QML_UNCREATABLE("lists come from the view model")
    Q_PROPERTY(int count READ count NOTIFY countChanged)

public:
    enum Role {
        fileRole = Qt::UserRole + 1, // the row object, NotchFileRow
        idRole,
        nameRole,
        kindRole,
        detailRole,
        remainingRole,
        selectionRole,
        previewRole
    };
    Q_ENUM(Role)

    using RowFactory = std::function<NotchFileRow*(TrackedFile*)>;
    // makeRow makes the object of a record that joins the list; the list owns it.
    explicit NotchFileList(RowFactory makeRow, QObject* parent = nullptr);
    ~NotchFileList() override;

    [[nodiscard]] int rowCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] QVariant data(const QModelIndex& index, int role) const override;
    [[nodiscard]] QHash<int, QByteArray> roleNames() const override;

    [[nodiscard]] int count() const { return static_cast<int>(m_rows.size()); }
    [[nodiscard]] bool isEmpty() const { return m_rows.isEmpty(); }
    [[nodiscard]] const QList<NotchFileRow*>& rows() const { return m_rows; }
    [[nodiscard]] NotchFileRow* at(int row) const { return m_rows.value(row); }
    // The row of the record with that id, if it is in the list.
    [[nodiscard]] NotchFileRow* row(const QString& id) const { return m_byId.value(id); }

    // The list becomes these records, in this order: O(n) hash lookups and one row signal
    // per run of rows that left or joined. A new order of the rows that stay keeps the
    // longest run already in order (O(n log n)) and moves each other row, O(n) a move.
    void setFiles(const QList<TrackedFile*>& files);

Q_SIGNALS:
    void countChanged();

private:
    [[nodiscard]] bool sameFiles(const QList<TrackedFile*>& files) const;
    void removeGone(const QHash<TrackedFile*, int>& target);
    void moveKept(const QHash<TrackedFile*, int>& target);
    void insertNew(const QList<TrackedFile*>& files);
    void moveRow(int from, int to);
    NotchFileRow* adopt(TrackedFile* file);
    void rowChanged(NotchFileRow* row, const QList<int>& roles);

    RowFactory m_makeRow;
    [[nodiscard]] int indexOf(const NotchFileRow* row) const;

    QList<NotchFileRow*> m_rows;
    QHash<QString, NotchFileRow*> m_byId;
    // Where each row is, made again after the rows changed when a row's data changes.
    mutable QHash<const NotchFileRow*, int> m_index;
    mutable bool m_indexValid = false;
};

} // namespace fadebin
