import QtQuick
import QtQuick.Controls
import Fadebin.Periphery

// Text in the secondary style: the window's text colour, softened only as far as it stays
// readable on the window and on its cards.
Label {
    property real emphasis: 0.62

    color: TextTones.softened(palette.windowText, palette.window, palette.base, emphasis)
    wrapMode: Text.WordWrap
}
