#pragma once

#include "notch/NotchTexts.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

namespace fadebin {

class NotchViewModel;

// One file of the notch's lists as the views show it: its texts, kind and, for a pending
// file, the option its row has selected. Follows its record and the view model's clock.
class NotchFileRow : public QObject {
    Q_OBJECT
    QML_NAMED_ELEMENT(NotchFileRow)
    QML_UNCREATABLE("rows come from the view model")
    Q_PROPERTY(QString id READ id CONSTANT)
    // The record's exact name, for finding the row; shownName is what a label shows.
    Q_PROPERTY(QString name READ name NOTIFY textsChanged)
    Q_PROPERTY(QString shownName READ shownName NOTIFY textsChanged)
    Q_PROPERTY(int kind READ kind NOTIFY textsChanged)
    Q_PROPERTY(QString detail READ detail NOTIFY textsChanged)
    Q_PROPERTY(QString remaining READ remaining NOTIFY textsChanged)
    // A rule made the decision the row counts down to.
    Q_PROPERTY(bool ruled READ ruled NOTIFY textsChanged)
    // The whole row in words, for a screen reader: a waiting file's or a counting one's.
    Q_PROPERTY(QString spokenName READ spokenName NOTIFY textsChanged)
    Q_PROPERTY(QString selection READ selection WRITE setSelection NOTIFY selectionChanged)
    Q_PROPERTY(QString preview READ preview NOTIFY previewChanged)
    Q_PROPERTY(QVariantList options READ options NOTIFY optionsChanged)
    // The pending row that is open, the tracked row whose expiry is being edited: told to
    // the two rows concerned, not to every delegate of the list.
    Q_PROPERTY(bool opened READ opened NOTIFY openedChanged)

public:
    NotchFileRow(TrackedFile* file, FileKind kind, NotchViewModel& view);

    [[nodiscard]] TrackedFile* file() const { return m_file; }
    [[nodiscard]] QString id() const { return m_id; }
    [[nodiscard]] QString name() const { return m_name; }
    [[nodiscard]] QString shownName() const { return m_shownName; }
    [[nodiscard]] int kind() const { return static_cast<int>(m_kind); }
    [[nodiscard]] FileKind fileKind() const { return m_kind; }
    [[nodiscard]] QString detail() const { return m_detail; }
    [[nodiscard]] QString remaining() const { return m_remaining; }
    [[nodiscard]] bool ruled() const { return m_ruled; }
    [[nodiscard]] QString spokenName() const { return m_spokenName; }
    [[nodiscard]] QString selection() const;
    void setSelection(const QString& raw);
    [[nodiscard]] ExpiryOption selectedOption() const { return m_selection; }
    [[nodiscard]] QString preview() const { return m_preview; }
    [[nodiscard]] QVariantList options() const;
    [[nodiscard]] bool opened() const { return m_opened; }
    void setOpened(bool opened);

    // The record's fields or the time moved on.
    void update();

private:
    void setPreview(const QString& preview);

Q_SIGNALS:
    void textsChanged();
    void selectionChanged();
    void previewChanged();
    void openedChanged();
    void optionsChanged();

private:
    QPointer<TrackedFile> m_file;
    NotchViewModel& m_view;
    QString m_id;
    FileKind m_kind;
    QString m_name;
    QString m_shownName;
    QString m_detail;
    QString m_remaining;
    QString m_spokenName;
    bool m_ruled = false;
    ExpiryOption m_selection;
    QString m_preview;
    bool m_opened = false;
};

} // namespace fadebin
