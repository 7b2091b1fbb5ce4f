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
    scale: shown ? 1 : 0.01
    opacity: shown ? 1 : 0
    visible: opacity > 0
    Behavior on scale {
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
