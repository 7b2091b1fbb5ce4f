import QtQuick
import QtQuick.Controls
import QtQuick.Dialogs
import QtQuick.Layouts
import Fadebin.Periphery

// The Notch tab: when the notch opens, what happens to undecided files, and the indicator.
ColumnLayout {
    id: view

    required property SettingsBindings bindings
    readonly property AppSettings settings: bindings.settings

    spacing: 18

    FormGroup {
        FormRow {
            id: displayRow
            title: qsTr("Display mode")
            subtitle: view.bindings.displayModeCaption

            SegmentedControl {
                Accessible.name: displayRow.title
                Accessible.description: displayRow.subtitle
                choices: [
                    { "title": qsTr("Auto"), "name": "displayMode.auto" },
                    { "title": qsTr("Hover only"), "name": "displayMode.hoverOnly" }
                ]
                currentIndex: view.bindings.displayModeIndex
                onActivated: index => view.bindings.displayModeIndex = index
            }
        }
        FormRow {
            id: askRow
            title: qsTr("Ask about new downloads")
            SegmentedControl {
                Accessible.name: askRow.title
                choices: [
                    { "title": qsTr("In the notch"), "name": "askWith.notch" },
                    { "title": qsTr("With a notification"), "name": "askWith.notification" }
                ]
                enabled: view.bindings.notchUnavailableText === ""
                currentIndex: view.bindings.askWithIndex
                onActivated: index => view.bindings.askWithIndex = index
            }
        }
    }

    FormGroup {
        header: qsTr("Undecided files")

        FormRow {
            id: dismissRow
            title: qsTr("Auto-dismiss after")
            Slider {
                objectName: "autoDismissSeconds"
                Accessible.name: dismissRow.title
                from: 3
                to: 60
                stepSize: 1
                snapMode: Slider.SnapAlways
                value: view.settings.autoDismissSeconds
                onMoved: view.settings.autoDismissSeconds = value
                Layout.preferredWidth: 170
            }
            SecondaryLabel {
                objectName: "autoDismissText"
                text: view.bindings.autoDismissText
                font.family: "monospace"
                wrapMode: Text.NoWrap
                horizontalAlignment: Text.AlignRight
                Layout.preferredWidth: 36
            }
        }
        FormRow {
            id: graceRow
            title: qsTr("Stay in the notch for")
            Slider {
                objectName: "pendingGraceMinutes"
                Accessible.name: graceRow.title
                from: 1
                to: 60
                stepSize: 1
                snapMode: Slider.SnapAlways
                value: view.settings.pendingGraceMinutes
                onMoved: view.settings.pendingGraceMinutes = value
                Layout.preferredWidth: 156
            }
            SecondaryLabel {
                objectName: "pendingGraceText"
                text: view.bindings.pendingGraceText
                font.family: "monospace"
                wrapMode: Text.NoWrap
                horizontalAlignment: Text.AlignRight
                Layout.preferredWidth: 50
            }
        }
        FormRow {
            id: defaultRow
            title: qsTr("Then apply")
            ComboBox {
                objectName: "defaultAction"
                Accessible.name: defaultRow.title
                model: view.bindings.defaultActionLabels
                currentIndex: view.bindings.defaultActionIndex
                onActivated: index => view.bindings.defaultActionIndex = index
                Layout.preferredWidth: 180
            }
        }
        FormRow {
            id: presenceRow
            title: qsTr("Wait until I'm back before applying the default")
            ToggleSwitch {
                objectName: "waitForPresence"
                Accessible.name: presenceRow.title
                checked: view.settings.waitForPresence
                onToggled: view.settings.waitForPresence = checked
            }
        }
    }

    FormGroup {
        header: qsTr("Indicator")

        FormRow {
            id: countShownRow
            title: qsTr("Show how many files are scheduled")
            ToggleSwitch {
                objectName: "showScheduledCount"
                Accessible.name: countShownRow.title
                checked: view.settings.showScheduledCount
                onToggled: view.settings.showScheduledCount = checked
            }
        }
        FormRow {
            id: countColorRow
            title: qsTr("Scheduled count ring")
            ColorWell {
                objectName: "countColor"
                Accessible.name: countColorRow.title
                color: view.bindings.countColor
                onClicked: countDialog.open()
            }
        }
        FormRow {
            id: countdownColorRow
            title: qsTr("Countdown ring")
            ColorWell {
                objectName: "countdownColor"
                Accessible.name: countdownColorRow.title
                color: view.bindings.countdownColor
                onClicked: countdownDialog.open()
            }
        }
        FormRow {
            Item {
                Layout.fillWidth: true
            }
            Button {
                objectName: "resetColors"
                text: qsTr("Reset Colors")
                onClicked: view.bindings.resetColors()
            }
        }
    }

    ColorDialog {
        id: countDialog

        objectName: "countColorDialog"
        title: qsTr("Scheduled count ring")
        selectedColor: view.bindings.countColor
        onAccepted: view.bindings.countColor = selectedColor
        onVisibleChanged: if (visible) Qt.callLater(view.bindings.drawColorFields, view)
    }

    ColorDialog {
        id: countdownDialog

        objectName: "countdownColorDialog"
        title: qsTr("Countdown ring")
        selectedColor: view.bindings.countdownColor
        onAccepted: view.bindings.countdownColor = selectedColor
        onVisibleChanged: if (visible) Qt.callLater(view.bindings.drawColorFields, view)
    }
}
