#include "notch/DropTarget.h"

#include <QMimeData>
#include <QSysInfo>

#include <gtest/gtest.h>

using namespace fadebin;

namespace {

std::vector<path> filesOfUriList(const QByteArray& list) {
    QMimeData data;
    data.setData(QStringLiteral("text/uri-list"), list);
    return droppedFiles(data);
}

TEST(DropTarget, FilesComeInDropOrderFromThisHostAndOtherItemsAreSkippedOrEmpty) {
    EXPECT_EQ(filesOfUriList("file:///home/u/Downloads/b.zip\r\n"
                             "# a comment line\r\n"
                             "https://example.com/a.pdf\r\n"
                             "file:///home/u/Downloads/a%20b.pdf\r\n"
                             "file://localhost/home/u/c.txt\r\n"
                             "file://otherhost/home/u/d.txt\r\n"
                             "mailto:someone@example.com\r\n"
                             "file:relative/e.txt\r\n"
                             "FILE:/home/u/f.txt?query#fragment\n"),
              (std::vector<path>{"/home/u/Downloads/b.zip", "/home/u/Downloads/a b.pdf",
                                 "/home/u/c.txt", "/home/u/f.txt"}));
    QMimeData textOnly;
    textOnly.setText(QStringLiteral("/home/u/Downloads/a.pdf"));
    EXPECT_TRUE(droppedFiles(textOnly).empty());
    EXPECT_TRUE(filesOfUriList("").empty());
    // This machine's own host name is local.
    const QByteArray host = QSysInfo::machineHostName().toUtf8();
    ASSERT_FALSE(host.isEmpty());
    EXPECT_EQ(localFilePath("file://" + host + "/home/u/Downloads/a.pdf"),
              path("/home/u/Downloads/a.pdf"));
    EXPECT_EQ(localFilePath("file://" + host.toUpper() + "/home/u/b.pdf"), path("/home/u/b.pdf"));
    EXPECT_EQ(localFilePath("file://" + host + "x/home/u/a.pdf"), std::nullopt);
    EXPECT_EQ(localFilePath("file://x" + host + "/home/u/a.pdf"), std::nullopt);
}

TEST(DropTarget, NamesThatAreNotUtf8KeepTheirBytes) {
    // "caf\xe9.txt" in Latin-1: not valid UTF-8, so it travels percent-encoded.
    const std::string latin1 = std::string("/home/u/caf") + char(0xe9) + ".txt";
    EXPECT_EQ(filesOfUriList("file:///home/u/caf%E9.txt\r\nfile:///home/u/%C3%A9t%C3%A9\r\n"),
              (std::vector<path>{latin1, "/home/u/\xc3\xa9t\xc3\xa9"}));
    const QList<QUrl> urls{QUrl::fromEncoded("file:///home/u/caf%E9.txt"),
                           QUrl(QStringLiteral("https://example.com/")),
                           QUrl::fromLocalFile(QStringLiteral("/tmp/100%.txt"))};
    EXPECT_EQ(droppedFiles(urls), (std::vector<path>{latin1, "/tmp/100%.txt"}));
}

} // namespace
