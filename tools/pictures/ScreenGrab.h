#pragma once

// What a screen shows, read through Qt's screen of the display the process runs on.
#include "support/TestSupport.h"

#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>

#include <chrono>
#include <functional>

namespace fadebin::test {

// A clear image of a size in points at a device-pixel ratio, to paint artwork on.
[[nodiscard]] inline QImage clearCanvas(int width, int height, double ratio) {
    QImage image(static_cast<int>(width * ratio), static_cast<int>(height * ratio),
                 QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    return image;
}

[[nodiscard]] inline QImage grabScreen() {
    return QGuiApplication::primaryScreen()->grabWindow(0).toImage();
}

// The screen once it has stopped changing: the same for 0.6 s, longer than the shape's spring
// (0.42 s) and than a slow frame of a busy machine. Null when it never settles within 20 s.
// Grabbed through Qt's screen, or through another grab (a compositor's screenshot tool).
[[nodiscard]] inline QImage settledScreen(const std::function<QImage()>& grab = grabScreen) {
    using namespace std::chrono_literals;
    QImage last = grab();
    auto since = std::chrono::steady_clock::now();
    QImage settled;
    waitFor(
        [&] {
            // A look every 0.1 s: the program's frames come in between.
            waitFor([] { return false; }, 100ms);
            QImage now = grab();
            if (now != last) {
                last = std::move(now);
                since = std::chrono::steady_clock::now();
                return false;
            }
            if (std::chrono::steady_clock::now() - since < 600ms)
                return false;
            settled = last;
            return true;
        },
        20s);
    return settled;
}

} // namespace fadebin::test
