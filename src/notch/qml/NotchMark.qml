// A small status icon that springs in when it first shows.
import QtQuick
import Fadebin.Icons
import Fadebin.Notch

Item {
    id: mark
    Accessible.ignored: true

    property string icon
    property color color: "white"
    property real iconSize: 16
    property bool bold: false
    property bool shown: false

    implicitWidth: iconSize
    implicitHeight: iconSize

    NotchIcon {
        anchors.centerIn: parent
        width: mark.iconSize
        height: mark.iconSize
        name: mark.icon
        color: mark.color
        bold: mark.bold
        scale: mark.shown || !Motion.enabled ? 1 : 0.4
        opacity: mark.shown || !Motion.enabled ? 1 : 0
        Behavior on scale {
            enabled: Motion.enabled
            SequentialAnimation {
                PauseAnimation { duration: 150 }
                NumberAnimation { duration: 400; easing.type: Easing.OutBack; easing.overshoot: 2.2 }
            }
        }
        Behavior on opacity {
            enabled: Motion.enabled
            SequentialAnimation {
                PauseAnimation { duration: 150 }
                NumberAnimation { duration: 200 }
            }
        }
    }

    Component.onCompleted: shown = true
}
