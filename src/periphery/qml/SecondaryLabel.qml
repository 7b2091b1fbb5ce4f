import QtQuick
import QtQuick.Controls

// Text in the secondary style: the window's text colour, softened.
Label {
    property real emphasis: 0.62

    color: Qt.rgba(palette.windowText.r, palette.windowText.g, palette.windowText.b, emphasis)
    wrapMode: Text.WordWrap
}
