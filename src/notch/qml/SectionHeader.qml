// A section's title with the number of its files in a badge, and what they take together.
import QtQuick

Row {
    id: header

    property string title
    property string count
    property string size

    height: 20
    spacing: 6

    Text {
        textFormat: Text.PlainText
        anchors.verticalCenter: parent.verticalCenter
        text: header.title
        color: Qt.rgba(1, 1, 1, 0.6)
        font.pixelSize: 12
        font.weight: Font.Medium
        font.letterSpacing: 0.4
    }
    Rectangle {
        anchors.verticalCenter: parent.verticalCenter
        width: badge.implicitWidth + 10
        height: badge.implicitHeight + 2
        radius: height / 2
        color: Qt.rgba(1, 1, 1, 0.12)
        Text {
            id: badge
            textFormat: Text.PlainText
            anchors.centerIn: parent
            text: header.count
            color: Qt.rgba(1, 1, 1, 0.7)
            font.pixelSize: 10
            font.bold: true
        }
    }
    Text {
        objectName: "sectionSize"
        textFormat: Text.PlainText
        anchors.verticalCenter: parent.verticalCenter
        visible: header.size.length > 0
        text: header.size
        color: Qt.rgba(1, 1, 1, 0.45)
        font.pixelSize: 11
    }
}
