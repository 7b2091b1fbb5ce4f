#pragma once

#include <QByteArray>
#include <QDBusArgument>
#include <QDBusContext>
#include <QDBusMessage>
#include <QList>
#include <QObject>
#include <QString>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace fadebin {

class AppModel;
class TrackedFile;

// One file the bus was asked about and the reason it was refused.
struct BusRefusal {
    QByteArray path;
    QString reason;
};
// One listed file: its path and what is known of it ("id", "name", "status", "expiresAt"
// in Unix seconds when it has one, "addedAt", "size", "source" when known).
struct BusFile {
    QByteArray path;
    QVariantMap properties;
};
// One rule as the bus gives it: "host", "kind", "ext" (those it names) and "choice", each
// in its stored form.
using BusRules = QList<QVariantMap>;
using BusRefusals = QList<BusRefusal>;
using BusFiles = QList<BusFile>;
// What a restore did: where each restored file is now, and what was refused.
struct BusRestored {
    QList<QByteArray> restored;
    BusRefusals refused;
};

QDBusArgument& operator<<(QDBusArgument& out, const BusRefusal& refusal);
const QDBusArgument& operator>>(const QDBusArgument& in, BusRefusal& refusal);
QDBusArgument& operator<<(QDBusArgument& out, const BusFile& file);
const QDBusArgument& operator>>(const QDBusArgument& in, BusFile& file);
QDBusArgument& operator<<(QDBusArgument& out, const BusRestored& restored);
const QDBusArgument& operator>>(const QDBusArgument& in, BusRestored& restored);
// Registers the types above with QtDBus; once per process, before the first call.
void registerBusTypes();

// The running program's interface for scripts, terminals and file managers
// (com.ostrel.Fadebin1 at /com/ostrel/Fadebin). Paths travel as bytes so that names that are
// not UTF-8 survive. Every operation goes through the model's own decisions, so nothing
// outside Downloads is timed or deleted; each refused file comes back with its reason and
// nothing is done to it.
class BusService : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.ostrel.Fadebin1")
public:
    static inline const QString interfaceName = QStringLiteral("com.ostrel.Fadebin1");
    static inline const QString objectPath = QStringLiteral("/com/ostrel/Fadebin");

    explicit BusService(AppModel& model, QObject* parent = nullptr);
    // Calls still being worked through are answered with what was done so far.
    ~BusService() override;

    // How many paths one turn of the event loop takes on: a call naming more is answered when
    // its last slice is done, and signals, the watcher and other calls are served between.
    static constexpr qsizetype sliceSize = 256;
    // The answer to a call whose decisions were made but could not be saved yet (the
    // records' disk is full): they are kept and saving is tried again.
    static inline const QString notSavedError =
        QStringLiteral("com.ostrel.Fadebin1.Error.NotSaved");
    // A restore moves a file and makes a record: fewer of them to a turn.
    static constexpr qsizetype restoreSliceSize = 32;
    // What Show does, given by the program: false when there is no notch to show.
    std::function<bool()> onShow;
    static inline const QString noNotchError = QStringLiteral("com.ostrel.Fadebin1.Error.NoNotch");
    static inline const QString invalidRuleError =
        QStringLiteral("com.ostrel.Fadebin1.Error.InvalidRule");

public Q_SLOTS:
    // The pending and scheduled files, pending first (oldest first), then soonest first.
    BusFiles List();
    // option is an expiry option's raw value ("oneHour", "tenDays", …; "forever" keeps).
    BusRefusals SetExpiry(const QList<QByteArray>& paths, const QString& option);
    BusRefusals Keep(const QList<QByteArray>& paths);
    BusRefusals DeleteNow(const QList<QByteArray>& paths);
    // Puts back what Fadebin moved to the Trash; with no paths, the most recently trashed.
    BusRestored Restore(const QList<QByteArray>& paths);
    // Puts back every file the last sweep of this run moved to the Trash (once).
    BusRestored UndoLastSweep();
    // What would free `bytes`, in order, without acting: our items in the Trash oldest first
    // ("kind" "trash", path in the trash's files/ folder, "originalPath"), then scheduled
    // files due soonest ("kind" "scheduled"); each with "id", "size" and "at" (trashed or
    // expiring, Unix seconds).
    BusFiles Plan(qlonglong bytes);
    // Removes our items from the Trash, oldest first, until at least `bytes` went (never a
    // file in Downloads); the items that went, as Plan lists them.
    BusFiles Free(qlonglong bytes);
    // Ends the program as a quit signal does, through the event loop, after this answer.
    void Quit();
    // Opens the notch for the keyboard, on the newest waiting file.
    void Show();
    // The rules, oldest first; a rule's number is its place from 1 (BusServiceRules.cpp).
    BusRules ListRules();
    // Adds a rule (empty words for parts not given; see ruleFromWords) and returns its number.
    // A rule that does not read is refused with invalidRuleError and nothing is stored.
    uint AddRule(const QString& host, const QString& kind, const QString& ext,
                 const QString& choice);
    void RemoveRule(uint number);

Q_SIGNALS:
    void FilesDeleted(const QStringList& names);
    void FilesReleased(const QStringList& names);

private:
    using Decide = std::function<std::optional<QString>(TrackedFile&)>;
    struct Job;
    BusRefusals forEach(const QList<QByteArray>& paths, Decide decide);
    void takeOn(const QByteArray& bytes, const Decide& decide, BusRefusals& refused);
    // Puts back the item trashed from that path (any, when none is given) and notes the outcome.
    void restoreOne(const std::optional<QByteArray>& bytes, BusRestored& result);
    void workOn(const std::shared_ptr<Job>& job);
    void finish(Job& job);
    [[nodiscard]] bool ready();
    // Whether a size asked for is one; a bus error answers one that is not.
    [[nodiscard]] bool sizeWanted(qlonglong bytes);

    AppModel& m_model;
    std::vector<std::shared_ptr<Job>> m_jobs;
};

} // namespace fadebin

Q_DECLARE_METATYPE(fadebin::BusRefusal)
Q_DECLARE_METATYPE(fadebin::BusFile)
Q_DECLARE_METATYPE(fadebin::BusRestored)
