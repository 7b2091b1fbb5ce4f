#include "app/AppTexts.h"
#include "app/DisplayText.h"

#include "platform/FileSystem.h"

#include <QUrl>

#include <array>
#include <string_view>

namespace fadebin::appTexts {

QString downloadsIsRoot() {
    return QStringLiteral("Fadebin is not watching anything: the Downloads folder is set to "
                          "the root folder. Give Downloads a folder of its own (for example "
                          "with “xdg-user-dirs-update --set DOWNLOAD ~/Downloads”) and "
                          "start Fadebin again.");
}

QString downloadsIsHome(const std::filesystem::path& home) {
    return QStringLiteral("Fadebin is not watching anything: the Downloads folder is set to "
                          "your home folder (%1). Give Downloads a folder of its own (for "
                          "example with “xdg-user-dirs-update --set DOWNLOAD ~/Downloads”) "
                          "and start Fadebin again.")
        .arg(toQString(home));
}

QString databaseFailed(const QString& error) {
    return QStringLiteral("Could not open the Fadebin database: ") + error;
}

QString notStarted() {
    return QStringLiteral("Fadebin has not started");
}

QString refusal(PathRefusal refusal) {
    switch (refusal) {
    case PathRefusal::notAPath:
        return QStringLiteral("not a path");
    case PathRefusal::notAbsolute:
        return QStringLiteral("not an absolute path");
    case PathRefusal::notAnItem:
        return QStringLiteral("not a file's name (it ends in \".\" or \"..\")");
    case PathRefusal::downloadsOrAbove:
        return QStringLiteral("Downloads itself and the folders that hold it cannot be timed");
    case PathRefusal::missing:
        return QStringLiteral("no such file");
    case PathRefusal::outside:
        break;
    }
    return QStringLiteral("only files in Downloads can be timed");
}

QString refusalSentence(PathRefusal reason) {
    QString text = refusal(reason);
    if (!text.isEmpty())
        text[0] = text[0].toUpper();
    return text;
}

QString cannotBeTracked() {
    return QStringLiteral("it cannot be tracked");
}

QString restoreOutside() {
    return QStringLiteral("only files in Downloads can be restored");
}

QString nothingInTrash() {
    return QStringLiteral("Fadebin has nothing of that name in the Trash");
}

QString placeTaken() {
    return QStringLiteral("another file is at its place now");
}

QString nothingToUndo() {
    return QStringLiteral("Fadebin has moved nothing to the Trash since it started");
}

QString sampleFileName() {
    return QStringLiteral("Fadebin Sample.txt");
}

QByteArray sampleFileText() {
    return "This is a sample file from Fadebin. Give it 30 seconds and watch it go to the "
           "Trash.\n";
}

QString lowSpaceTitle() {
    return QStringLiteral("Your disk is almost full.");
}

QString lowSpaceText(qint64 bytes) {
    return QStringLiteral("Fadebin can free %1 it moved to the Trash.").arg(byteCountText(bytes));
}

QString freeButton(qint64 bytes) {
    return QStringLiteral("Free %1").arg(byteCountText(bytes));
}

QString lowSpaceLine(qint64 bytes) {
    return lowSpaceTitle() + QLatin1Char(' ') + lowSpaceText(bytes);
}

namespace {

// The kinds as people name many files of them, in FileKind's order.
constexpr std::array<QStringView, fileKindCount> kindPlurals{
    u"images",    u"videos",       u"audio files",   u"archives",   u"packages",   u"PDFs",
    u"documents", u"spreadsheets", u"presentations", u"text files", u"code files", u"data files",
    u"fonts",     u"links",        u"books",         u"folders",    u"files"};

// "for 1 day", nothing for keeping.
QString keepingText(ExpiryOption choice) {
    return choice == ExpiryOption::forever ? QString() : QStringLiteral(" for ") + label(choice);
}

} // namespace

QString ruleSubject(const Rule& rule) {
    QString files = rule.kind ? kindPlurals[static_cast<std::size_t>(*rule.kind)].toString()
                              : QStringLiteral("files");
    if (!rule.extension.isEmpty())
        files = rule.kind ? QStringLiteral("%1 ending .%2").arg(files, rule.extension)
                          : QStringLiteral(".%1 files").arg(rule.extension);
    if (rule.host.isEmpty())
        return files;
    // A stored host passed the rules' checks: letters, digits, "-", "_" and dots only.
    const QString host = QUrl::fromAce(rule.host.toLatin1());
    return QStringLiteral("%1 from %2%3").arg(files, rule.subdomains ? u"*." : u"", host);
}

QString ruleOfferQuestion(const Rule& rule) {
    return QStringLiteral("Always keep %1%2?").arg(ruleSubject(rule), keepingText(rule.choice));
}

QString decidedByRuleTitle(ExpiryOption choice) {
    return QStringLiteral("Kept%1 by your rule").arg(keepingText(choice));
}

} // namespace fadebin::appTexts
