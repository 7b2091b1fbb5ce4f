import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Fadebin.Periphery

// The settings window: four tabs, fixed width, as tall as the tallest tab, so that the
// window and the tab bar stay put while switching.
ApplicationWindow {
    id: window

    required property SettingsBindings bindings
    property int currentTab: 0
    readonly property int contentHeight: header.height + page.implicitHeight + 2 * 20

    title: qsTr("Fadebin Settings")
    width: 480
    height: contentHeight
    minimumWidth: 480
    maximumWidth: 480
    minimumHeight: contentHeight
    maximumHeight: contentHeight

    Shortcut {
        sequences: ["Escape", "Ctrl+W"]
        onActivated: window.close()
    }

    header: Rectangle {
        implicitHeight: switcher.implicitHeight + 16
        color: Qt.darker(palette.window, 1.04)

        RowLayout {
            id: switcher

            anchors.centerIn: parent
            spacing: 6

            Repeater {
                model: [
                    { "title": qsTr("General"), "icon": "settings01", "name": "tab.general" },
                    { "title": qsTr("Notch"), "icon": "notch01", "name": "tab.notch" },
                    { "title": qsTr("Files"), "icon": "doc01", "name": "tab.files" },
                    { "title": qsTr("Rules"), "icon": "clock04", "name": "tab.rules" }
                ]

                ViewSwitcherButton {
                    required property var modelData
                    required property int index

                    objectName: modelData.name
                    text: modelData.title
                    iconName: modelData.icon
                    current: window.currentTab === index
                    onClicked: window.currentTab = index
                }
            }
        }

        Rectangle {
            anchors.bottom: parent.bottom
            width: parent.width
            height: 1
            color: Qt.rgba(palette.windowText.r, palette.windowText.g, palette.windowText.b, 0.12)
        }
    }

    StackLayout {
        id: page

        x: 20
        y: 20
        width: parent.width - 40
        currentIndex: window.currentTab

        GeneralSettingsView {
            bindings: window.bindings
            // The hidden tabs are not laid out: their width is given so that their wrapped
            // texts, and so their heights, are right before they are first shown.
            width: page.width
            Layout.alignment: Qt.AlignTop
        }
        NotchSettingsView {
            bindings: window.bindings
            width: page.width
            Layout.alignment: Qt.AlignTop
        }
        FilesSettingsView {
            bindings: window.bindings
            width: page.width
            Layout.alignment: Qt.AlignTop
        }
        RulesSettingsView {
            bindings: window.bindings
            width: page.width
            Layout.alignment: Qt.AlignTop
        }
    }
}
