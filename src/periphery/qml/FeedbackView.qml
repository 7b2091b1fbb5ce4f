import Fadebin.Icons
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Fadebin.Periphery

// The feedback form, and the thank-you note once it was sent.
ApplicationWindow {
    id: window

    required property FeedbackForm form

    title: qsTr("Send Feedback")
    width: 420
    height: 300
    minimumWidth: width
    maximumWidth: width
    minimumHeight: height
    maximumHeight: height

    Shortcut {
        sequences: ["Return", "Enter", "Ctrl+Return"]
        enabled: !window.form.sent
        onActivated: window.form.send()
    }
    Shortcut {
        sequences: ["Escape", "Ctrl+W"]
        onActivated: window.form.cancel()
    }

    ColumnLayout {
        visible: !window.form.sent
        anchors.fill: parent
        anchors.margins: 18
        spacing: 8

        Label {
            text: qsTr("Send Feedback")
            font.pixelSize: 17
            font.weight: Font.DemiBold
        }
        Caption {
            text: qsTr("Bug, idea, or just saying hi — it reaches us directly.")
            Layout.fillWidth: true
        }

        ScrollView {
            Layout.fillWidth: true
            Layout.fillHeight: true
            Layout.topMargin: 4

            TextArea {
                id: message

                objectName: "message"
                Accessible.name: qsTr("Message")
                text: window.form.message
                onTextChanged: if (text !== window.form.message) window.form.message = text
                placeholderText: qsTr("What's on your mind?")
                wrapMode: TextEdit.Wrap
                focus: true
                // Tab moves on, as in every other field: a feedback message needs no tab
                // characters, and a keyboard user must not be caught in the editor.
                Keys.onTabPressed: event => message.nextItemInFocusChain(true).forceActiveFocus(Qt.TabFocusReason)
                Keys.onBacktabPressed: event => message.nextItemInFocusChain(false).forceActiveFocus(Qt.BacktabFocusReason)
                background: Rectangle {
                    radius: 6
                    color: palette.base
                    border.width: message.activeFocus ? 2 : 1
                    border.color: message.activeFocus
                                  ? palette.highlight
                                  : Qt.rgba(palette.windowText.r, palette.windowText.g,
                                            palette.windowText.b, 0.2)
                }
            }
        }

        TextField {
            objectName: "email"
            Accessible.name: placeholderText
            text: window.form.email
            onTextEdited: window.form.email = text
            placeholderText: qsTr("Your email (optional, so we can reply)")
            Layout.fillWidth: true
        }

        Caption {
            objectName: "error"
            visible: window.form.failed
            text: window.form.errorText
            color: "#e01b24"
            emphasis: 1
            Layout.fillWidth: true
        }

        RowLayout {
            Layout.topMargin: 2
            spacing: 8

            Item {
                Layout.fillWidth: true
            }
            Button {
                objectName: "cancel"
                text: qsTr("Cancel")
                onClicked: window.form.cancel()
            }
            Button {
                objectName: "send"
                text: window.form.sendTitle
                highlighted: true
                enabled: window.form.canSend
                onClicked: window.form.send()
            }
        }
    }

    ColumnLayout {
        objectName: "thanks"
        visible: window.form.sent
        anchors.centerIn: parent
        spacing: 10

        Rectangle {
            width: 52
            height: 52
            radius: 26
            color: Qt.rgba(0.18, 0.62, 0.28, 0.15)
            Layout.alignment: Qt.AlignHCenter

            NotchIcon {
                anchors.centerIn: parent
                width: 22
                height: 22
                name: "tick02"
                color: "#2e9e48"
            }
        }
        Label {
            text: qsTr("Thanks for the feedback!")
            font.pixelSize: 15
            font.weight: Font.DemiBold
            Layout.alignment: Qt.AlignHCenter
        }
        SecondaryLabel {
            text: qsTr("We read every message.")
            Layout.alignment: Qt.AlignHCenter
        }
    }
}
