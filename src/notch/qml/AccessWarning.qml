// Nothing is watched: why, the action that helps, and a retry where it can clear.
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
            objectName: "problemTitle"
            width: warning.width - 24
            wrapMode: Text.Wrap
            text: warning.view.problemTitle
            color: "white"
            font.pixelSize: 13
            font.weight: Font.DemiBold
        }
    }
    Text {
        textFormat: Text.PlainText
        width: warning.width
        objectName: "problemText"
        text: warning.view.problemText
        color: Qt.rgba(1, 1, 1, 0.6)
        font.pixelSize: 11
        wrapMode: Text.Wrap
        lineHeight: 1.15
    }
    Row {
        spacing: 8
        topPadding: 4
        NotchButton {
            objectName: "problemActionButton"
            visible: text !== ""
            text: warning.view.problemAction
            onClicked: warning.view.helpWithProblem()
        }
        NotchButton {
            objectName: "retryButton"
            visible: warning.view.problemRetryable
            text: qsTr("Retry")
            prominent: true
            onClicked: warning.view.retryAccess()
        }
    }
}
