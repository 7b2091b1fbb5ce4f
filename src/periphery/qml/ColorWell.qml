import QtQuick
import QtQuick.Controls

// A button showing a colour; pressing it offers to pick another.
AbstractButton {
    id: control
    Accessible.description: qsTr("Choose a colour")

    property color color

    implicitWidth: 44
    implicitHeight: 26
    focusPolicy: Qt.StrongFocus

    background: Rectangle {
        radius: 6
        color: palette.button
        border.width: control.visualFocus ? 2 : 1
        border.color: control.visualFocus
                      ? palette.highlight
                      : Qt.rgba(palette.windowText.r, palette.windowText.g, palette.windowText.b,
                                0.25)

        Rectangle {
            anchors.fill: parent
            anchors.margins: 4
            radius: 3
            color: control.color
            opacity: control.down ? 0.8 : 1
        }
    }
}
