#include "app/AppTexts.h"
#include "app/DisplayText.h"

#include "platform/FileSystem.h"

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

} // namespace fadebin::appTexts
