#include "app/AppTexts.h"
#include "app/DisplayText.h"

#include "platform/FileSystem.h"

#include <QCoreApplication>
#include <QUrl>

#include <array>

namespace fadebin::appTexts {

namespace {

struct AppTexts {
    Q_DECLARE_TR_FUNCTIONS(AppTexts)
};

// A text that also goes on the bus or into the log: English there, translated where shown.
QString worded(const char* english, Wording wording) {
    return wording == Wording::english ? QString::fromUtf8(english) : AppTexts::tr(english);
}

} // namespace

QString shown(const QString& english) {
    const QByteArray source = english.toUtf8();
    return AppTexts::tr(source.constData());
}

QString downloadsIsRoot(Wording wording) {
    return worded(
        QT_TRANSLATE_NOOP("AppTexts",
                          "Fadebin is not watching anything: the Downloads folder is set to "
                          "the root folder. Give Downloads a folder of its own (for example "
                          "with “xdg-user-dirs-update --set DOWNLOAD ~/Downloads”) and "
                          "start Fadebin again."),
        wording);
}

QString downloadsIsHome(const std::filesystem::path& home, Wording wording) {
    return worded(
               QT_TRANSLATE_NOOP("AppTexts",
                                 "Fadebin is not watching anything: the Downloads folder is set to "
                                 "your home folder (%1). Give Downloads a folder of its own (for "
                                 "example with “xdg-user-dirs-update --set DOWNLOAD ~/Downloads”) "
                                 "and start Fadebin again."),
               wording)
        .arg(toQString(home));
}

QString databaseFailed(const QString& error, Wording wording) {
    return worded(QT_TRANSLATE_NOOP("AppTexts", "Could not open the Fadebin database: %1"), wording)
        .arg(error);
}

QString notStarted() {
    return QString::fromUtf8(QT_TRANSLATE_NOOP("AppTexts", "Fadebin has not started"));
}

QString refusal(PathRefusal refusal) {
    switch (refusal) {
    case PathRefusal::notAPath:
        return QString::fromUtf8(QT_TRANSLATE_NOOP("AppTexts", "not a path"));
    case PathRefusal::notAbsolute:
        return QString::fromUtf8(QT_TRANSLATE_NOOP("AppTexts", "not an absolute path"));
    case PathRefusal::notAnItem:
        return QString::fromUtf8(
            QT_TRANSLATE_NOOP("AppTexts", "not a file's name (it ends in \".\" or \"..\")"));
    case PathRefusal::downloadsOrAbove:
        return QString::fromUtf8(QT_TRANSLATE_NOOP(
            "AppTexts", "Downloads itself and the folders that hold it cannot be timed"));
    case PathRefusal::missing:
        return QString::fromUtf8(QT_TRANSLATE_NOOP("AppTexts", "no such file"));
    case PathRefusal::outside:
        break;
    }
    return QString::fromUtf8(QT_TRANSLATE_NOOP("AppTexts", "only files in Downloads can be timed"));
}

QString refusalSentence(PathRefusal reason) {
    QString text = shown(refusal(reason));
    if (!text.isEmpty())
        text[0] = text[0].toUpper();
    return text;
}

QString cannotBeTracked() {
    return QString::fromUtf8(QT_TRANSLATE_NOOP("AppTexts", "it cannot be tracked"));
}

QString restoreOutside() {
    return QString::fromUtf8(
        QT_TRANSLATE_NOOP("AppTexts", "only files in Downloads can be restored"));
}

QString nothingInTrash() {
    return QString::fromUtf8(
        QT_TRANSLATE_NOOP("AppTexts", "Fadebin has nothing of that name in the Trash"));
}

QString placeTaken() {
    return QString::fromUtf8(QT_TRANSLATE_NOOP("AppTexts", "another file is at its place now"));
}

QString nothingToUndo() {
    return QString::fromUtf8(
        QT_TRANSLATE_NOOP("AppTexts", "Fadebin has moved nothing to the Trash since it started"));
}

QString sampleFileName() {
    return QStringLiteral("Fadebin Sample.txt");
}

QByteArray sampleFileText() {
    // Read by whoever opens it: in their language, though its name stays the one onboarding
    // gives.
    return AppTexts::tr("This is a sample file from Fadebin. Give it 30 seconds and watch it go "
                        "to the Trash.")
               .toUtf8() +
           '\n';
}

QString lowSpaceTitle() {
    return AppTexts::tr("Your disk is almost full.");
}

QString lowSpaceText(qint64 bytes) {
    return AppTexts::tr("Fadebin can free %1 it moved to the Trash.").arg(byteCountText(bytes));
}

QString freeButton(qint64 bytes) {
    return AppTexts::tr("Free %1").arg(byteCountText(bytes));
}

QString lowSpaceLine(qint64 bytes) {
    return lowSpaceTitle() + QLatin1Char(' ') + lowSpaceText(bytes);
}

namespace {

// The kinds as people name many files of them, in FileKind's order.
constexpr std::array<const char*, fileKindCount> kindPlurals{
    QT_TRANSLATE_NOOP("AppTexts", "images"),        QT_TRANSLATE_NOOP("AppTexts", "videos"),
    QT_TRANSLATE_NOOP("AppTexts", "audio files"),   QT_TRANSLATE_NOOP("AppTexts", "archives"),
    QT_TRANSLATE_NOOP("AppTexts", "packages"),      QT_TRANSLATE_NOOP("AppTexts", "PDFs"),
    QT_TRANSLATE_NOOP("AppTexts", "documents"),     QT_TRANSLATE_NOOP("AppTexts", "spreadsheets"),
    QT_TRANSLATE_NOOP("AppTexts", "presentations"), QT_TRANSLATE_NOOP("AppTexts", "text files"),
    QT_TRANSLATE_NOOP("AppTexts", "code files"),    QT_TRANSLATE_NOOP("AppTexts", "data files"),
    QT_TRANSLATE_NOOP("AppTexts", "fonts"),         QT_TRANSLATE_NOOP("AppTexts", "links"),
    QT_TRANSLATE_NOOP("AppTexts", "books"),         QT_TRANSLATE_NOOP("AppTexts", "folders"),
    QT_TRANSLATE_NOOP("AppTexts", "files")};

} // namespace

QString ruleSubject(const Rule& rule) {
    QString files = rule.kind ? AppTexts::tr(kindPlurals[static_cast<std::size_t>(*rule.kind)])
                              : AppTexts::tr("files");
    if (!rule.extension.isEmpty())
        files = rule.kind
                    ? AppTexts::tr("%1 ending .%2", "PDFs ending .pdf").arg(files, rule.extension)
                    : AppTexts::tr(".%1 files").arg(rule.extension);
    if (rule.host.isEmpty())
        return files;
    // A stored host passed the rules' checks: letters, digits, "-", "_" and dots only.
    const QString host = QUrl::fromAce(rule.host.toLatin1());
    return AppTexts::tr("%1 from %2", "PDFs from example.org")
        .arg(files, (rule.subdomains ? QStringLiteral("*.") : QString()) + host);
}

QString ruleOfferQuestion(const Rule& rule) {
    if (rule.choice == ExpiryOption::forever)
        return AppTexts::tr("Always keep %1?").arg(ruleSubject(rule));
    return AppTexts::tr("Always keep %1 for %2?", "PDFs from example.org, 1 day")
        .arg(ruleSubject(rule), label(rule.choice));
}

QString decidedByRuleTitle(ExpiryOption choice) {
    if (choice == ExpiryOption::forever)
        return AppTexts::tr("Kept by your rule");
    return AppTexts::tr("Kept for %1 by your rule").arg(label(choice));
}

} // namespace fadebin::appTexts
