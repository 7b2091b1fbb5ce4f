// Downloads cannot be read: what to do, a way to the folder, and a retry.
import QtQuick
import Fadebin.Icons
import Fadebin.Notch

Column {
    id: warning
    objectName: "accessWarning"

    required property NotchViewModel view

    topPadding: 16
    bottomPadding: 16
    spacing: 8

    Row {
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
            textFormat: Text.PlainText
            anchors.verticalCenter: parent.verticalCenter
            text: "Fadebin can't see your Downloads folder"
            color: "white"
            font.pixelSize: 13
            font.weight: Font.DemiBold
        }
    }
    Text {
        textFormat: Text.PlainText
        width: warning.width
        text: "Fadebin needs permission to read your Downloads folder. Check the folder's permissions, then retry."
        color: Qt.rgba(1, 1, 1, 0.6)
        font.pixelSize: 11
        wrapMode: Text.Wrap
        lineHeight: 1.15
    }
    Row {
        spacing: 8
        topPadding: 4
        NotchButton {
            objectName: "showFolderButton"
            text: "Show Folder"
            onClicked: warning.view.showDownloadsFolder()
        }
        NotchButton {
            objectName: "retryButton"
            text: "Retry"
            prominent: true
            onClicked: warning.view.retryAccess()
        }
    }
}
