// Shown while a file drag is over the notch.
import QtQuick

Column {
    objectName: "dropPrompt"
    topPadding: 22
    bottomPadding: 22
    spacing: 6

    NotchMark {
        anchors.horizontalCenter: parent.horizontalCenter
        icon: "clock04"
        iconSize: 26
        bold: true
    }
    Text {
        textFormat: Text.PlainText
        anchors.horizontalCenter: parent.horizontalCenter
        text: qsTr("Drop to set a timer")
        color: "white"
        font.pixelSize: 13
        font.weight: Font.DemiBold
    }
    Text {
        textFormat: Text.PlainText
        anchors.horizontalCenter: parent.horizontalCenter
        text: qsTr("Any file in Downloads, even one you kept")
        color: Qt.rgba(1, 1, 1, 0.5)
        font.pixelSize: 11
    }
}
