#include "periphery/WindowDriver.h"

#include <QJsonDocument>

namespace fadebin::test {

QJsonObject WindowWorld::storedSettings() const {
    return QJsonDocument::fromJson(QByteArray::fromStdString(readFile(defaults.filePath())))
        .object();
}

void WindowWorld::denyDownloads() {
    std::filesystem::permissions(home.downloads(), std::filesystem::perms::none);
    if (listNames(home.downloads()))
        std::filesystem::rename(home.downloads(), home.root() / "Downloads.away");
}

void WindowWorld::allowDownloads() {
    if (std::filesystem::exists(home.root() / "Downloads.away"))
        std::filesystem::rename(home.root() / "Downloads.away", home.downloads());
    std::filesystem::permissions(home.downloads(), std::filesystem::perms::owner_all);
}

} // namespace fadebin::test
