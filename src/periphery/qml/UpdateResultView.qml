import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Fadebin.Periphery

// The answer to an update check the user asked for.
ApplicationWindow {
    id: window

    required property UpdateManager updates

    title: qsTr("Software Update")
    width: 400
    height: 150
    minimumWidth: width
    maximumWidth: width
    minimumHeight: height
    maximumHeight: height

    // Return presses the focused button, else the default one: "Download…" when there is
    // something to download, OK otherwise.
    Shortcut {
        sequences: ["Return", "Enter"]
        onActivated: {
            const focused = window.activeFocusItem;
            if (focused instanceof Button && focused.visible)
                focused.clicked();
            else if (download.visible)
                download.clicked();
            else
                window.close();
        }
    }
    Shortcut {
        sequences: ["Escape", "Ctrl+W"]
        onActivated: window.close()
    }

    RowLayout {
        anchors.fill: parent
        anchors.margins: 20
        spacing: 16

        AppIcon {
            size: 64
            shadowOpacity: 0.1
            Layout.alignment: Qt.AlignTop
        }

        ColumnLayout {
            spacing: 6
            Layout.fillWidth: true
            Layout.fillHeight: true

            RowLayout {
                spacing: 8
                Layout.fillWidth: true

                // Something is going on while the feed is asked: the check can take seconds.
                BusyIndicator {
                    objectName: "checkingIndicator"
                    Accessible.name: qsTr("Checking for updates")
                    running: window.updates.checking
                    visible: running
                    padding: 0
                    Layout.alignment: Qt.AlignVCenter
                    Layout.preferredWidth: 24
                    Layout.preferredHeight: 24
                }
                Label {
                    objectName: "resultText"
                    text: window.updates.userCheckText
                    // It holds what the feed says: never markup, never a picture to fetch.
                    textFormat: Text.PlainText
                    font.weight: Font.DemiBold
                    wrapMode: Text.WordWrap
                    Layout.fillWidth: true
                    Layout.alignment: Qt.AlignVCenter
                }
            }
            SecondaryLabel {
                visible: window.updates.canOpenReleasePage
                text: qsTr("Install it with your package manager once it is downloaded.")
                Layout.fillWidth: true
            }
            Item {
                Layout.fillHeight: true
            }
            RowLayout {
                spacing: 8
                Layout.fillWidth: true

                Item {
                    Layout.fillWidth: true
                }
                Button {
                    id: download

                    objectName: "download"
                    visible: window.updates.canOpenReleasePage
                    text: qsTr("Download…")
                    highlighted: true
                    onClicked: {
                        window.updates.openReleasePage();
                        window.close();
                    }
                }
                Button {
                    objectName: "ok"
                    text: qsTr("OK")
                    onClicked: window.close()
                }
            }
        }
    }
}
