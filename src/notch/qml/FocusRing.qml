// The keyboard's focus ring, around the item it is in and just outside it: the same blue on
// every focusable item of the black panel, whatever the desktop's palette.
import QtQuick

Rectangle {
    anchors.fill: parent
    anchors.margins: -3
    radius: 8
    color: "transparent"
    border.width: 2
    border.color: "#0A84FF"
}
