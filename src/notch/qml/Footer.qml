// The product's name (or that it is paused), the pause button and the settings button.
import QtQuick
import Fadebin.Notch

Item {
    id: footer
    objectName: "footer"

    required property NotchViewModel view

    Rectangle {
        width: parent.width
        height: 1
        color: Qt.rgba(1, 1, 1, 0.08)
    }
    Text {
        objectName: "footerText"
        textFormat: Text.PlainText
        anchors.left: parent.left
        anchors.verticalCenter: parent.verticalCenter
        anchors.verticalCenterOffset: -4
        text: footer.view.footerText
        color: footer.view.paused ? "#FF9F0A" : Qt.rgba(1, 1, 1, 0.55)
        font.pixelSize: 11
        font.weight: Font.Medium
    }
    Row {
        anchors.right: parent.right
        anchors.rightMargin: -6
        anchors.verticalCenter: parent.verticalCenter
        anchors.verticalCenterOffset: -4
        spacing: 2
        IconButton {
            objectName: "pauseButton"
            iconName: footer.view.paused ? "play" : "pause"
            color: footer.view.paused ? "#FF9F0A" : Qt.rgba(1, 1, 1, 0.55)
            help: footer.view.pauseHelp
            onClicked: footer.view.togglePause()
        }
        IconButton {
            objectName: "settingsButton"
            iconName: "settings01"
            help: qsTr("Settings")
            onClicked: footer.view.openSettings()
        }
    }
}
