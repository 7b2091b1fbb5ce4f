import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Fadebin.Periphery

// The Files tab: extensions never asked about, our files in the Trash, and the test timers.
ColumnLayout {
    id: view

    required property SettingsBindings bindings
    readonly property AppSettings settings: bindings.settings

    spacing: 18

    FormGroup {
        header: qsTr("Ignore")
        description: qsTr("Comma separated. Downloads with these extensions are never asked about and never trashed.")

        FormRow {
            id: extensionsRow
            title: qsTr("Extensions")
            TextField {
                objectName: "excludedExtensions"
                Accessible.name: extensionsRow.title
                placeholderText: qsTr("deb, rpm, AppImage, flatpakref, iso")
                text: view.settings.excludedExtensionsText
                onTextEdited: view.settings.excludedExtensionsText = text
                Layout.preferredWidth: 240
            }
        }
    }

    FormGroup {
        header: qsTr("Trash")

        FormRow {
            title: qsTr("Remove Fadebin's files from the Trash after")
            subtitle: qsTr("Only files Fadebin moved there. Whatever you put in the Trash yourself stays.")
            ComboBox {
                objectName: "trashPurgeDays"
                model: [qsTr("Never"), qsTr("1 day"), qsTr("7 days"), qsTr("30 days")]
                currentIndex: view.settings.trashPurgeIndex
                onActivated: index => view.settings.trashPurgeIndex = index
                Layout.preferredWidth: 110
            }
        }

        FormRow {
            id: ownTrashRow
            objectName: "ownTrash"
            title: view.bindings.ownTrashText
            Button {
                objectName: "emptyOwnTrash"
                text: qsTr("Empty Now")
                Accessible.name: text
                Accessible.description: ownTrashRow.title
                enabled: view.bindings.canEmptyOwnTrash
                onClicked: emptyDialog.open()
            }
        }
    }

    // Asked once before anything goes: the items cannot come back.
    Dialog {
        id: emptyDialog
        objectName: "emptyOwnTrashDialog"
        parent: Overlay.overlay
        anchors.centerIn: parent
        width: Math.min(380, parent.width - 40)
        modal: true
        padding: 16
        title: qsTr("Empty Fadebin's Files from the Trash")
        contentItem: Label {
            wrapMode: Text.WordWrap
            text: view.bindings.emptyQuestion
        }
        footer: DialogButtonBox {
            Button {
                objectName: "emptyOwnTrashConfirm"
                text: qsTr("Remove")
                DialogButtonBox.buttonRole: DialogButtonBox.AcceptRole
            }
            Button {
                text: qsTr("Cancel")
                DialogButtonBox.buttonRole: DialogButtonBox.RejectRole
            }
        }
        onAccepted: view.bindings.emptyOwnTrash()
    }

    FormGroup {
        header: qsTr("Timers")

        FormRow {
            id: testTimersRow
            title: qsTr("Show test timers (10s, 30s)")
            subtitle: qsTr("Handy for trying Fadebin without waiting half an hour.")
            ToggleSwitch {
                objectName: "showTestTimers"
                Accessible.name: testTimersRow.title
                Accessible.description: testTimersRow.subtitle
                checked: view.settings.showTestTimers
                onToggled: view.settings.showTestTimers = checked
            }
        }
    }
}
