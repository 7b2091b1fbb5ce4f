// A text/uri-list dropped on the notch by any application.
#include "FuzzSupport.h"
#include "notch/DropTarget.h"

#include <QMimeData>

using namespace fadebin;

FUZZ_TARGET(bytes) {
    QMimeData mime;
    mime.setData(QStringLiteral("text/uri-list"), bytes);
    // The raw list, as a drop delivers it, and the URLs Qt made of it, as Qt Quick does.
    for (const std::vector<path>& files : {droppedFiles(mime), droppedFiles(mime.urls())}) {
        FUZZ_CHECK(files.size() <= static_cast<std::size_t>(bytes.count('\n')) + 1);
        for (const path& file : files) {
            FUZZ_CHECK(file.is_absolute());
            FUZZ_CHECK(file.native().find('\0') == std::string::npos);
        }
    }
}
