import Fadebin.Icons
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Fadebin.Periphery

// One tab of the settings window: its icon over its title.
AbstractButton {
    id: control
    Accessible.name: text

    property string iconName: ""
    property bool current: false

    implicitWidth: 92
    implicitHeight: 54
    focusPolicy: Qt.TabFocus

    background: Rectangle {
        radius: 7
        color: Qt.rgba(palette.windowText.r, palette.windowText.g, palette.windowText.b,
                       control.current ? 0.11 : (control.hovered ? 0.05 : 0))
        border.width: control.visualFocus ? 2 : 0
        border.color: palette.highlight
    }

    contentItem: ColumnLayout {
        spacing: 3

        NotchIcon {
            Accessible.ignored: true
            name: control.iconName
            color: control.current ? palette.windowText
                                   : Qt.rgba(palette.windowText.r, palette.windowText.g,
                                             palette.windowText.b, 0.7)
            Layout.preferredWidth: 22
            Layout.preferredHeight: 22
            Layout.alignment: Qt.AlignHCenter
        }

        Label {
            Accessible.ignored: true
            text: control.text
            font.bold: control.current
            Layout.alignment: Qt.AlignHCenter
        }
    }
}
