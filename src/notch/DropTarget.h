#pragma once

#include "platform/FileSystem.h"

#include <QByteArray>
#include <QList>
#include <QUrl>

#include <optional>
#include <vector>

class QMimeData;

namespace fadebin {

// The files of a drop on the notch, in their order. Items that are not local file URLs
// are skipped, so the list may be empty. Paths are byte-exact: a name that is not valid
// UTF-8 arrives percent-encoded and is decoded to its bytes, never through QString.
[[nodiscard]] std::vector<path> droppedFiles(const QMimeData& data);
[[nodiscard]] std::vector<path> droppedFiles(const QList<QUrl>& urls);

// One entry of a text/uri-list: the local path of a file URL ("file:/p", "file:///p",
// "file://localhost/p", "file://THIS-HOST/p"), or nothing for other schemes, other
// machines' hosts and relative paths.
[[nodiscard]] std::optional<path> localFilePath(const QByteArray& encodedUrl);

} // namespace fadebin
