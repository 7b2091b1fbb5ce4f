// One warning line: an orange alert and the text.
import QtQuick
import Fadebin.Icons
import Fadebin.Notch

Item {
    id: notice

    property string text

    implicitHeight: Math.max(line.implicitHeight, 18) + 40

    Row {
        id: row
        anchors.centerIn: parent
        width: Math.min(implicitWidth, notice.width)
        spacing: 8
        NotchIcon {
            Accessible.ignored: true
            anchors.verticalCenter: parent.verticalCenter
            width: 16
            height: 16
            name: "alert02"
            color: "#FF9F0A"
            bold: true
        }
        Text {
            id: line
            textFormat: Text.PlainText
            anchors.verticalCenter: parent.verticalCenter
            width: Math.min(implicitWidth, notice.width - 24)
            text: notice.text
            color: "white"
            font.pixelSize: 13
            font.weight: Font.Medium
            wrapMode: Text.Wrap
        }
    }
}
