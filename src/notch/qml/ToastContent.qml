// A toast: files moved to the Trash (a green tick), let go (a folder leaving) or decided by
// a rule (a clock, with "Change"), one line below the notch.
import QtQuick
import Fadebin.Notch

Item {
    id: toast
    objectName: "toastContent"

    required property NotchViewModel view
    readonly property real inset: 18 + view.topRadius

    // Made when its state begins: it fades in from nothing once it is there.
    property bool shown: false
    opacity: shown ? 1 : 0
    visible: opacity > 0
    Component.onCompleted: shown = Qt.binding(() => toast.view.toastShown)
    Behavior on opacity {
        enabled: Motion.enabled
        StateFade { fadingIn: toast.view.toastShown }
    }

    Row {
        x: toast.inset
        y: toast.view.notchHeight + (toast.height - toast.view.notchHeight - height) / 2 - 4
        width: toast.width - 2 * toast.inset
        spacing: 10

        NotchMark {
            anchors.verticalCenter: parent.verticalCenter
            icon: toast.view.toastIcon
            iconSize: toast.view.toastIconSize
            bold: toast.view.toastIconBold
            color: toast.view.toastIconColor
        }
        Column {
            anchors.verticalCenter: parent.verticalCenter
            width: parent.width - 30 - (undo.visible ? undo.width + 10 : 0)
                   - (change.visible ? change.width + 10 : 0)
            spacing: 2
            Text {
                objectName: "toastTitle"
                textFormat: Text.PlainText
                width: parent.width
                text: toast.view.toastTitle
                color: "white"
                font.pixelSize: 14
                font.weight: Font.DemiBold
                elide: Text.ElideRight
            }
            Text {
                objectName: "toastSubtitle"
                textFormat: Text.PlainText
                width: parent.width
                text: toast.view.toastSubtitle
                color: Qt.rgba(1, 1, 1, 0.6)
                font.pixelSize: 12
                elide: Text.ElideMiddle
            }
        }
        NotchButton {
            id: undo
            objectName: "toastUndo"
            anchors.verticalCenter: parent.verticalCenter
            visible: toast.view.toastCanUndo
            text: qsTr("Undo")
            onClicked: toast.view.undoToast()
        }
        NotchButton {
            id: change
            objectName: "toastChange"
            anchors.verticalCenter: parent.verticalCenter
            visible: toast.view.toastCanChange
            text: qsTr("Change")
            Accessible.name: qsTr("Change: ask me about it")
            onClicked: toast.view.changeToast()
        }
    }
}
