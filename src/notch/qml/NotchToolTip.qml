// A tooltip in the notch's own look: the style's tooltip takes the desktop's colours, often a
// pale yellow that glares inside the black panel.
import QtQuick
import QtQuick.Controls.Basic

ToolTip {
    id: tip

    delay: 700
    padding: 6
    font.pixelSize: 11

    contentItem: Text {
        text: tip.text
        font: tip.font
        textFormat: Text.PlainText
        color: Qt.rgba(1, 1, 1, 0.9)
    }
    background: Rectangle {
        color: "#1C1C1E"
        radius: 6
        border.width: 1
        border.color: Qt.rgba(1, 1, 1, 0.16)
    }
}
