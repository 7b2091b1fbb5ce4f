import QtQuick
import QtQuick.Controls

// An on/off switch in the desktop's pill shape.
Switch {
    id: control
    // A check box to a screen reader, named by its use (the form row's title).

    padding: 0
    spacing: 0
    implicitWidth: indicator.implicitWidth
    implicitHeight: indicator.implicitHeight

    indicator: Rectangle {
        implicitWidth: 42
        implicitHeight: 24
        x: control.leftPadding
        y: (control.height - height) / 2
        radius: height / 2
        color: control.checked ? palette.highlight
                               : Qt.rgba(palette.windowText.r, palette.windowText.g,
                                         palette.windowText.b, 0.2)
        opacity: control.enabled ? 1 : 0.5
        border.width: control.visualFocus ? 2 : 0
        border.color: Qt.lighter(palette.highlight, 1.3)

        Rectangle {
            width: 20
            height: 20
            radius: 10
            y: 2
            x: control.checked ? parent.width - width - 2 : 2
            color: control.down ? "#f0f0f0" : "#ffffff"
            border.width: 1
            border.color: Qt.rgba(0, 0, 0, 0.12)

            Behavior on x {
                NumberAnimation { duration: 120; easing.type: Easing.InOutQuad }
            }
        }
    }

    contentItem: Item {}
}
