// Nothing pending, nothing expiring.
import QtQuick
import Fadebin.Icons
import Fadebin.Notch

Column {
    id: empty
    objectName: "emptyState"

    required property NotchViewModel view

    topPadding: 22
    bottomPadding: 18
    spacing: 6

    NotchIcon {
        Accessible.ignored: true
        anchors.horizontalCenter: parent.horizontalCenter
        width: 22
        height: 22
        name: "inbox"
        color: Qt.rgba(1, 1, 1, 0.5)
    }
    Text {
        textFormat: Text.PlainText
        anchors.horizontalCenter: parent.horizontalCenter
        text: qsTr("Nothing temporary right now")
        color: "white"
        font.pixelSize: 13
        font.weight: Font.Medium
    }
    Text {
        objectName: "emptyDetail"
        textFormat: Text.PlainText
        anchors.horizontalCenter: parent.horizontalCenter
        text: empty.view.emptyDetail
        color: Qt.rgba(1, 1, 1, 0.55)
        font.pixelSize: 11
    }
}
