// A count or a countdown in a thin ring; it grows in from nothing and shrinks away.
import QtQuick
import Fadebin.Notch

Item {
    id: indicator

    property string text
    property color color: "white"
    property bool shown: false

    implicitWidth: Math.max(18, label.implicitWidth + 8)
    implicitHeight: 18
    width: implicitWidth
    height: implicitHeight
    // The spring overshoots its end: shrinking towards 0.01 it passes below zero, and a
    // negative scale mirrors the ring, which Qt's software painter draws by reading outside
    // the ring's pixmap. The spring moves `growth`; the scale stops at the smallest size.
    property real growth: shown ? 1 : 0.01
    scale: Math.max(0.01, growth)
    opacity: shown ? 1 : 0
    visible: opacity > 0
    Behavior on growth {
        enabled: Motion.enabled
        NumberAnimation { duration: 300; easing.type: Easing.OutBack }
    }
    Behavior on opacity {
        enabled: Motion.enabled
        NumberAnimation { duration: 200 }
    }

    Rectangle {
        anchors.fill: parent
        radius: height / 2
        color: "transparent"
        border.width: 1.5
        border.color: indicator.color
    }
    Text {
        id: label
        textFormat: Text.PlainText
        anchors.centerIn: parent
        text: indicator.text
        color: indicator.color
        font.pixelSize: 10
        font.bold: true
    }
}
