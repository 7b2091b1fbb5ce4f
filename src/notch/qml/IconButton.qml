// A small icon that acts as a button, with a faint round backing under the pointer.
import QtQuick
import QtQuick.Controls.Basic
import Fadebin.Icons
import Fadebin.Notch

AbstractButton {
    id: button
    // What its tooltip says; an icon has no text of its own.
    Accessible.name: help

    property string iconName
    property real iconSize: 12
    property color color: Qt.rgba(1, 1, 1, 0.55)
    property string help

    implicitWidth: iconSize + 12
    implicitHeight: iconSize + 12
    hoverEnabled: true
    focusPolicy: Qt.TabFocus
    Keys.onReturnPressed: clicked()
    Keys.onEnterPressed: clicked()

    background: Rectangle {
        radius: width / 2
        color: Qt.rgba(1, 1, 1, button.down ? 0.18 : button.hovered ? 0.1 : 0)
        FocusRing {
            visible: button.visualFocus
            radius: height / 2
        }
    }
    contentItem: Item {
        NotchIcon {
            Accessible.ignored: true
            anchors.centerIn: parent
            width: button.iconSize
            height: button.iconSize
            name: button.iconName
            color: button.color
        }
    }
    NotchToolTip {
        visible: button.hovered && button.help.length > 0
        text: button.help
    }
}
