#pragma once

// The pictures tool: every state of the notch and of the windows around it, rendered as the
// program renders them, for people to look at. Nothing here checks anything; the tests do.
#include <QImage>
#include <QString>

namespace fadebin::pictures {

// Writes the image as FOLDER/NAME.png under the output folder (NAME may hold one folder).
void save(const QImage& image, const QString& name);
// How many pictures were written, and how many could not be made (with the reason logged).
int savedCount();
int missedCount();
void missed(const QString& name, const QString& why);

void renderNotchStates();
void renderIconSheet();
void renderWindows();
// The program as AppStream shows it (appstream/notch.png, appstream/settings.png): 16:9 at
// 1600x900, the notch and the settings window on a grey desktop.
void renderAppStream();
// What renderAppStream places: the notch asking about three downloads, and the settings window.
[[nodiscard]] QImage notchShowcase();
[[nodiscard]] QImage settingsShowcase();
// On the X server of DISPLAY, with the real program: what the screen shows of the notch.
void renderOnX();
// On a private headless sway, when sway is installed: the notch as a layer-shell surface.
void renderOnWayland();

} // namespace fadebin::pictures
