// The notch's button: a capsule, white text on faint white, or black on white when
// prominent; it gives a little when pressed.
import QtQuick
import QtQuick.Controls.Basic
import Fadebin.Notch

Button {
    id: control

    property bool prominent: false
    // The keyboard's cursor is on it (a time choice of the rows).
    property bool ringed: false

    font.pixelSize: 12
    font.weight: Font.DemiBold
    leftPadding: 11
    rightPadding: 11
    topPadding: 6
    bottomPadding: 6
    hoverEnabled: true
    focusPolicy: Qt.TabFocus
    Keys.onReturnPressed: clicked()
    Keys.onEnterPressed: clicked()
    scale: down ? 0.96 : 1
    Behavior on scale { enabled: Motion.enabled; NumberAnimation { duration: 200; easing.type: Easing.OutBack } }

    contentItem: Text {
        textFormat: Text.PlainText
        text: control.text
        font: control.font
        color: control.prominent ? "black" : "white"
        horizontalAlignment: Text.AlignHCenter
        verticalAlignment: Text.AlignVCenter
        elide: Text.ElideRight
    }
    background: Rectangle {
        implicitHeight: 26
        radius: height / 2
        color: control.prominent ? Qt.rgba(1, 1, 1, control.down ? 0.75 : 0.92)
                                 : Qt.rgba(1, 1, 1, control.down ? 0.28 : control.hovered ? 0.2 : 0.14)
        FocusRing {
            visible: control.visualFocus || control.ringed
            radius: height / 2
        }
    }
}
