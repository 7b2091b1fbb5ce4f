import Fadebin.Icons
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Fadebin.Periphery

// The first-run walkthrough: four steps, dots showing where the user is, Back and Continue.
ApplicationWindow {
    id: window

    required property OnboardingFlow flow

    title: qsTr("Welcome to Fadebin")
    width: 500
    height: 575
    minimumWidth: width
    maximumWidth: width
    minimumHeight: height
    maximumHeight: height

    // The walkthrough keeps its own light look, whatever the desktop uses. Its window colour
    // is the backdrop's darker end, which softened text must still read on.
    palette.window: "#eef0f4"
    palette.windowText: "#1d1d1f"
    palette.base: "#ffffff"
    palette.text: "#1d1d1f"
    palette.button: "#f2f2f4"
    palette.buttonText: "#1d1d1f"
    palette.highlight: "#3584e4"
    palette.highlightedText: "#ffffff"

    background: Rectangle {
        gradient: Gradient {
            GradientStop { position: 0.0; color: "#ffffff" }
            GradientStop { position: 1.0; color: window.palette.window }
        }
    }

    // Return presses the focused button, as on the desktop; otherwise it continues.
    Shortcut {
        sequences: ["Return", "Enter"]
        onActivated: {
            const focused = window.activeFocusItem;
            if (focused instanceof Button && focused.visible && focused.enabled)
                focused.clicked();
            else
                window.flow.advance();
        }
    }

    ColumnLayout {
        anchors.fill: parent
        spacing: 0

        AppIcon {
            size: 112
            Layout.topMargin: 58
            Layout.bottomMargin: 44
            Layout.alignment: Qt.AlignHCenter
        }

        StackLayout {
            id: steps

            objectName: "steps"
            currentIndex: window.flow.step
            Layout.fillWidth: true
            Layout.fillHeight: true
            Layout.minimumHeight: 210
            Layout.leftMargin: 40
            Layout.rightMargin: 40

            onCurrentIndexChanged: stepFade.restart()

            NumberAnimation {
                id: stepFade
                target: steps
                property: "opacity"
                from: 0
                to: 1
                duration: 150
                easing.type: Easing.InOutQuad
            }

            OnboardingStep {
                title: qsTr("Welcome to Fadebin")
                body: qsTr("Every download gets an expiry. Pick 30 minutes, a day, or keep it, and Fadebin moves the file to the Trash when the time is up. Everything stays on your computer.")

                Flow {
                    spacing: 4
                    Layout.fillWidth: true

                    Label {
                        text: window.flow.texts.hintLead
                        font.pixelSize: 13
                        font.weight: Font.Medium
                    }
                    SecondaryLabel {
                        text: window.flow.texts.hintRest
                        font.pixelSize: 13
                    }
                }
                Item { Layout.fillHeight: true }
            }

            OnboardingStep {
                title: qsTr("See Your Downloads")
                body: qsTr("Fadebin watches your Downloads folder so it can ask about each new file. Nothing else is read, and nothing leaves your computer.")

                StatusLine {
                    objectName: "accessEnabled"
                    visible: !window.flow.intakeProblem
                    text: qsTr("Downloads access is enabled")
                }
                StatusLine {
                    objectName: "problemText"
                    visible: window.flow.intakeProblem
                    warning: true
                    text: window.flow.problemText
                    Layout.fillWidth: true
                }
                RowLayout {
                    visible: window.flow.intakeProblem
                    spacing: 8

                    OnboardingButton {
                        objectName: "problemAction"
                        Accessible.ignored: !visible
                        visible: text !== ""
                        text: window.flow.problemAction
                        onClicked: window.flow.helpWithProblem()
                    }
                    OnboardingButton {
                        objectName: "checkAgain"
                        visible: window.flow.problemRetryable
                        text: qsTr("Check Again")
                        onClicked: window.flow.checkAgain()
                    }
                }
                Note {
                    visible: window.flow.intakeProblem
                    text: qsTr("Required to continue — Fadebin can't see new downloads without it.")
                    Layout.fillWidth: true
                }
                Item { Layout.fillHeight: true }
            }

            OnboardingStep {
                title: qsTr("Try It")
                body: window.flow.texts.tryIt

                OnboardingButton {
                    objectName: "dropSample"
                    visible: !window.flow.sampleDropped
                    enabled: window.flow.sampleRefusal === ""
                    text: qsTr("Drop a Sample File")
                    onClicked: window.flow.dropSample()
                }
                StatusLine {
                    objectName: "sampleRefusal"
                    visible: window.flow.sampleRefusal !== "" && !window.flow.sampleDropped
                    warning: true
                    text: window.flow.sampleRefusal
                    Layout.fillWidth: true
                }
                StatusLine {
                    objectName: "sampleDropped"
                    visible: window.flow.sampleDropped
                    text: window.flow.texts.sampleDropped
                }
                StatusLine {
                    objectName: "sampleFailed"
                    visible: window.flow.sampleFailed
                    warning: true
                    text: qsTr("The sample could not be written into Downloads")
                }
                Note {
                    text: qsTr("The sample is a small text file named “Fadebin Sample.txt”.")
                    Layout.fillWidth: true
                    Layout.topMargin: 4
                }
                Note {
                    text: window.flow.texts.later
                    Layout.fillWidth: true
                }
                Item { Layout.fillHeight: true }
            }

            OnboardingStep {
                title: qsTr("You're All Set")
                body: window.flow.texts.allSet

                CheckBox {
                    id: launchAtLogin

                    objectName: "launchAtLogin"
                    text: qsTr("Launch Fadebin at login")
                    font.pixelSize: 13
                    checked: window.flow.settings.launchAtLogin
                    onToggled: window.flow.settings.launchAtLogin = checked

                    indicator: Rectangle {
                        implicitWidth: 18
                        implicitHeight: 18
                        x: launchAtLogin.leftPadding
                        y: (launchAtLogin.height - height) / 2
                        radius: 5
                        color: launchAtLogin.checked ? "#1d1d1f" : "#ffffff"
                        border.width: launchAtLogin.checked ? 0 : 1
                        border.color: Qt.rgba(0, 0, 0, 0.3)

                        NotchIcon {
                            Accessible.ignored: true
                            anchors.centerIn: parent
                            width: 14
                            height: 14
                            visible: launchAtLogin.checked
                            name: "tick02"
                            color: "white"
                        }
                    }
                }
                RowLayout {
                    spacing: 8

                    // Wrapped: a longer language's words would widen every step past the window.
                    Label {
                        text: qsTr("Remove Fadebin's files from the Trash after")
                        font.pixelSize: 13
                        wrapMode: Text.Wrap
                        Layout.fillWidth: true
                    }
                    ComboBox {
                        objectName: "trashPurgeDays"
                        model: [qsTr("Never"), qsTr("1 day"), qsTr("7 days"), qsTr("30 days")]
                        currentIndex: window.flow.settings.trashPurgeIndex
                        onActivated: index => window.flow.settings.trashPurgeIndex = index
                        Layout.preferredWidth: 120
                    }
                }
                Item { Layout.fillHeight: true }
            }
        }

        Row {
            spacing: 8
            Layout.alignment: Qt.AlignHCenter

            Repeater {
                model: window.flow.stepCount

                Rectangle {
                    required property int index
                    width: 7
                    height: 7
                    radius: 3.5
                    color: index === window.flow.step ? "#1d1d1f" : "#d2d2d7"
                }
            }
        }

        RowLayout {
            Layout.leftMargin: 40
            Layout.rightMargin: 40
            Layout.topMargin: 22
            Layout.bottomMargin: 20

            OnboardingButton {
                objectName: "back"
                plain: true
                visible: window.flow.canGoBack
                text: qsTr("Back")
                onClicked: window.flow.back()
            }
            Item {
                Layout.fillWidth: true
            }
            OnboardingButton {
                objectName: window.flow.isLastStep ? "finish" : "continue"
                primary: true
                text: window.flow.isLastStep ? qsTr("Finish") : qsTr("Continue")
                enabled: window.flow.canContinue
                onClicked: window.flow.advance()
            }
        }
    }
}
