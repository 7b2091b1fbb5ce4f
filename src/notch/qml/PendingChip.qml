// A pending file in brief: its kind and name; pressing it opens its row.
import QtQuick
import Fadebin.Notch

Rectangle {
    id: chip
    objectName: "pendingChip-" + (file ? file.name : "")
    Accessible.role: Accessible.Button
    Accessible.name: file ? file.spokenName : ""
    Accessible.onPressAction: chip.select()

    property NotchFileRow file
    property real maxWidth: 300
    signal select()

    implicitWidth: content.implicitWidth + 20
    implicitHeight: 28
    radius: 10
    color: Qt.rgba(1, 1, 1, area.pressed ? 0.12 : area.containsMouse ? 0.1 : 0.07)

    Row {
        id: content
        x: 9
        anchors.verticalCenter: parent.verticalCenter
        spacing: 6
        KindTile {
            Accessible.ignored: true
            anchors.verticalCenter: parent.verticalCenter
            width: 18
            height: 18
            kind: chip.file ? chip.file.kind : 0
        }
        Text {
            objectName: "chipName"
            Accessible.ignored: true
            textFormat: Text.PlainText
            anchors.verticalCenter: parent.verticalCenter
            width: Math.min(implicitWidth, chip.maxWidth - 44)
            text: chip.file ? chip.file.shownName : ""
            color: "white"
            font.pixelSize: 12
            font.weight: Font.Medium
            elide: Text.ElideRight
        }
    }
    MouseArea {
        id: area
        anchors.fill: parent
        hoverEnabled: true
        onClicked: chip.select()
    }
}
