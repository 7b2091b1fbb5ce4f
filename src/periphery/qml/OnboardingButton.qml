import QtQuick
import QtQuick.Controls

// The walkthrough's buttons: the primary one filled dark, the others light with a border,
// or plain text.
Button {
    id: control

    property bool primary: false
    property bool plain: false

    // Focus comes from Tab only: a click on Back must not make the next Return go back.
    focusPolicy: Qt.TabFocus
    implicitHeight: primary ? 34 : 30
    leftPadding: plain ? 10 : (primary ? 22 : 14)
    rightPadding: leftPadding
    font.pixelSize: 13
    font.weight: primary ? Font.DemiBold : Font.Normal

    contentItem: Label {
        text: control.text
        font: control.font
        horizontalAlignment: Text.AlignHCenter
        verticalAlignment: Text.AlignVCenter
        color: control.primary ? "white"
                               : Qt.rgba(palette.windowText.r, palette.windowText.g,
                                         palette.windowText.b,
                                         control.plain ? (control.hovered ? 0.85 : 0.6) : 1)
    }

    background: Rectangle {
        radius: 8
        // A plain button shows only its focus ring.
        visible: !control.plain || control.visualFocus
        color: control.plain ? "transparent"
                             : control.primary ? (control.down ? "#3a3a3c" : "#1d1d1f")
                             : (control.down ? "#e4e4e8" : (control.hovered ? "#f4f4f6" : "#ffffff"))
        opacity: control.enabled ? 1 : 0.35
        border.width: control.visualFocus ? 2 : (control.primary ? 0 : 1)
        border.color: control.visualFocus ? palette.highlight : Qt.rgba(0, 0, 0, 0.14)
    }
}
