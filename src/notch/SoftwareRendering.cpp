#include "notch/SoftwareRendering.h"

#include <QQuickWindow>
#include <QSGRendererInterface>

namespace fadebin {

void useSoftwareRendering() {
    QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
}

} // namespace fadebin
