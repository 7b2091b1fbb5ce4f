import Fadebin.Icons
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Fadebin.Periphery

// The General tab: start-up and intake, what expiry does, and the program itself.
ColumnLayout {
    id: view

    required property SettingsBindings bindings
    readonly property AppSettings settings: bindings.settings

    spacing: 18

    FormGroup {
        FormRow {
            id: launchRow
            title: qsTr("Launch at login")
            ToggleSwitch {
                objectName: "launchAtLogin"
                Accessible.name: launchRow.title
                checked: view.settings.launchAtLogin
                onToggled: view.settings.launchAtLogin = checked
            }
        }
        FormRow {
            id: pauseRow
            title: qsTr("Pause watching Downloads")
            subtitle: qsTr("While paused, new downloads are not asked about. Files already scheduled are still trashed on time.")
            ToggleSwitch {
                objectName: "pauseWatching"
                Accessible.name: pauseRow.title
                Accessible.description: pauseRow.subtitle
                checked: view.bindings.pauseWatching
                onToggled: view.bindings.pauseWatching = checked
            }
        }
        FormRow {
            id: deletionRow
            title: qsTr("When time is up")
            ComboBox {
                objectName: "deletionMethod"
                Accessible.name: deletionRow.title
                model: [qsTr("Move to Trash"), qsTr("Delete permanently")]
                currentIndex: view.bindings.deletionMethodIndex
                onActivated: index => view.bindings.deletionMethodIndex = index
                Layout.preferredWidth: 180
            }
        }
        FormRow {
            id: tagRow
            title: qsTr("Tag temporary files")
            subtitle: qsTr("Adds a “Temporary” tag to every file with an expiry, so you can spot them in your file manager. Removed when you keep a file.")
            ToggleSwitch {
                objectName: "applyFileTag"
                Accessible.name: tagRow.title
                Accessible.description: tagRow.subtitle
                checked: view.settings.applyFileTag
                onToggled: view.settings.applyFileTag = checked
            }
        }
    }

    FormGroup {
        FormRow {
            title: qsTr("Watching")
            SecondaryLabel {
                objectName: "watchingPath"
                text: view.bindings.downloadsPath
                wrapMode: Text.NoWrap
                elide: Text.ElideMiddle
                horizontalAlignment: Text.AlignRight
                Layout.maximumWidth: 250
            }
        }
        FormRow {
            objectName: "accessDenied"
            visible: view.bindings.intakeProblem

            RowLayout {
                spacing: 6
                Layout.fillWidth: true

                NotchIcon {
                    name: "alert02"
                    color: "#f08c00"
                    Layout.preferredWidth: 14
                    Layout.preferredHeight: 14
                }
                Label {
                    objectName: "problemText"
                    text: view.bindings.problemText
                    wrapMode: Text.Wrap
                    Layout.fillWidth: true
                }
            }
            Button {
                objectName: "problemAction"
                // Nothing to say while there is no problem: not there for a screen reader either.
                Accessible.ignored: !visible
                visible: text !== ""
                text: view.bindings.problemAction
                onClicked: view.bindings.helpWithProblem()
            }
            Button {
                objectName: "retryAccess"
                visible: view.bindings.problemRetryable
                text: qsTr("Retry")
                onClicked: view.bindings.retryAccess()
            }
        }
        // Where the desktop can show no notch, the command line is how to decide.
        FormRow {
            objectName: "notchUnavailable"
            visible: view.bindings.notchUnavailableText !== ""

            RowLayout {
                spacing: 6
                Layout.fillWidth: true

                NotchIcon {
                    name: "alert02"
                    color: "#f08c00"
                    Layout.preferredWidth: 14
                    Layout.preferredHeight: 14
                }
                Label {
                    objectName: "notchUnavailableText"
                    text: view.bindings.notchUnavailableText
                    textFormat: Text.PlainText
                    wrapMode: Text.Wrap
                    Layout.fillWidth: true
                }
            }
        }
        // Decisions wait in memory and are saved again on their own once there is room.
        FormRow {
            objectName: "storageProblem"
            visible: view.bindings.storageProblem !== ""

            RowLayout {
                spacing: 6
                Layout.fillWidth: true

                NotchIcon {
                    name: "alert02"
                    color: "#f08c00"
                    Layout.preferredWidth: 14
                    Layout.preferredHeight: 14
                }
                Label {
                    objectName: "storageProblemText"
                    text: view.bindings.storageProblem
                    textFormat: Text.PlainText
                    wrapMode: Text.Wrap
                    Layout.fillWidth: true
                }
            }
        }
    }

    FormGroup {
        FormRow {
            title: qsTr("Version")
            SecondaryLabel {
                objectName: "versionText"
                text: view.bindings.versionText
                wrapMode: Text.NoWrap
            }
        }
        FormRow {
            Button {
                objectName: "checkForUpdates"
                visible: view.bindings.canCheckForUpdates
                text: view.bindings.updateButtonTitle
                onClicked: view.bindings.checkForUpdates()
            }
            Button {
                objectName: "sendFeedback"
                visible: view.bindings.canSendFeedback
                text: qsTr("Send Feedback…")
                onClicked: view.bindings.sendFeedback()
            }
            Item {
                Layout.fillWidth: true
            }
            Button {
                objectName: "quit"
                text: qsTr("Quit Fadebin")
                onClicked: view.bindings.quit()
            }
        }
    }
}
