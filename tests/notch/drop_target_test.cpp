#include "notch/DropTarget.h"

#include <QMimeData>

#include <gtest/gtest.h>

using namespace fadebin;

namespace {

std::vector<path> filesOfUriList(const QByteArray& list) {
    QMimeData data;
    data.setData(QStringLiteral("text/uri-list"), list);
    return droppedFiles(data);
}

} // namespace

TEST(DropTarget, FilesComeInDropOrderAndOtherItemsAreSkipped) {
    const std::vector<path> files = filesOfUriList("file:///home/u/Downloads/b.zip\r\n"
                                                   "# a comment line\r\n"
                                                   "https://example.com/a.pdf\r\n"
                                                   "file:///home/u/Downloads/a%20b.pdf\r\n"
                                                   "file://localhost/home/u/c.txt\r\n"
                                                   "file://otherhost/home/u/d.txt\r\n"
                                                   "mailto:someone@example.com\r\n"
                                                   "file:relative/e.txt\r\n"
                                                   "FILE:/home/u/f.txt?query#fragment\n");
    EXPECT_EQ(files, (std::vector<path>{"/home/u/Downloads/b.zip", "/home/u/Downloads/a b.pdf",
                                        "/home/u/c.txt", "/home/u/f.txt"}));
}

TEST(DropTarget, NothingUsableGivesAnEmptyList) {
    QMimeData textOnly;
    textOnly.setText(QStringLiteral("/home/u/Downloads/a.pdf"));
    EXPECT_TRUE(droppedFiles(textOnly).empty());
    EXPECT_TRUE(filesOfUriList("").empty());
    EXPECT_TRUE(filesOfUriList("https://example.com/x\r\n").empty());
    EXPECT_TRUE(droppedFiles(QList<QUrl>{}).empty());
    // A NUL byte cannot be in a path; the item is dropped, not cut short.
    EXPECT_TRUE(filesOfUriList("file:///tmp/a%00b\r\n").empty());
}

TEST(DropTarget, NamesThatAreNotUtf8KeepTheirBytes) {
    // "caf\xe9.txt" in Latin-1: not valid UTF-8, so it travels percent-encoded.
    const std::string latin1 = std::string("/home/u/Downloads/caf") + char(0xe9) + ".txt";
    const std::vector<path> files =
        filesOfUriList("file:///home/u/Downloads/caf%E9.txt\r\n"
                       "file:///home/u/Downloads/%C3%A9t%C3%A9.txt\r\n");
    EXPECT_EQ(files, (std::vector<path>{latin1, "/home/u/Downloads/\xc3\xa9t\xc3\xa9.txt"}));

    // The same through URLs, as a QML drop delivers them.
    const QList<QUrl> urls{QUrl::fromEncoded("file:///home/u/Downloads/caf%E9.txt"),
                           QUrl(QStringLiteral("https://example.com/")),
                           QUrl::fromLocalFile(QStringLiteral("/home/u/été.txt"))};
    EXPECT_EQ(droppedFiles(urls), (std::vector<path>{latin1, "/home/u/\xc3\xa9t\xc3\xa9.txt"}));
}

TEST(DropTarget, UrlsSetByQtRoundTrip) {
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QStringLiteral("/tmp/one two.txt")),
                  QUrl(QStringLiteral("https://example.com/x")),
                  QUrl::fromLocalFile(QStringLiteral("/tmp/100%.txt"))});
    EXPECT_EQ(droppedFiles(data), (std::vector<path>{"/tmp/one two.txt", "/tmp/100%.txt"}));
}
