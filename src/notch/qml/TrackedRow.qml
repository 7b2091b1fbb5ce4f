// A file counting down: its kind, name and remaining time; the time opens the expiry
// editor, the menu behind the dots changes, keeps, shows or deletes it.
import QtQuick
import QtQuick.Controls.Basic
import Fadebin.Notch

Column {
    id: tracked
    objectName: "trackedRow-" + file.name

    required property NotchFileRow file
    required property NotchViewModel view
    readonly property bool editing: file.opened

    spacing: 4
    bottomPadding: editing ? 8 : 0

    function reportMenu(menu) {
        tracked.view.menuShown(menu, menu.background.mapToItem(null, 0, 0, menu.background.width,
                                                                 menu.background.height))
    }

    Item {
        width: tracked.width
        height: 36

        KindTile {
            anchors.verticalCenter: parent.verticalCenter
            width: 26
            height: 26
            kind: tracked.file.kind
        }
        Text {
            textFormat: Text.PlainText
            anchors.verticalCenter: parent.verticalCenter
            x: 34
            width: time.x - x - 8
            text: tracked.file.name
            color: "white"
            font.pixelSize: 12
            font.weight: Font.Medium
            elide: Text.ElideMiddle
        }
        Text {
            id: time
            objectName: "time-" + tracked.file.name
            textFormat: Text.PlainText
            anchors.verticalCenter: parent.verticalCenter
            anchors.right: more.left
            anchors.rightMargin: 8
            text: tracked.file.remaining
            color: Qt.rgba(1, 1, 1, timeArea.containsMouse || tracked.editing ? 0.95 : 0.65)
            font.pixelSize: 12
            font.weight: Font.Medium
            MouseArea {
                id: timeArea
                anchors.fill: parent
                anchors.margins: -4
                hoverEnabled: true
                onClicked: tracked.view.editTracked(tracked.file.id)
            }
            ToolTip.visible: timeArea.containsMouse
            ToolTip.delay: 700
            ToolTip.text: "Change expiry"
        }
        IconButton {
            id: more
            objectName: "more-" + tracked.file.name
            anchors.verticalCenter: parent.verticalCenter
            anchors.right: parent.right
            iconName: "more-horizontal-circle01"
            iconSize: 16
            onClicked: {
                const menu = menuComponent.createObject(tracked)
                menu.popup(more, more.width - menu.width, more.height + 2)
            }
        }
    }

    // Made when it opens: twenty rows need not carry twenty hidden editors.
    Loader {
        width: tracked.width
        active: tracked.editing
        visible: active
        sourceComponent: ExpiryButtons {
            objectName: "editor-" + tracked.file.name
            namePrefix: "change"
            options: tracked.view.options
            onSelected: raw => tracked.view.changeExpiry(tracked.file.id, raw)
        }
    }

    // The menu is made when it opens and goes when it closes.
    Component {
        id: menuComponent
        NotchMenu {
            id: menu
            objectName: "menu-" + tracked.file.name
            cascade: false
            onAboutToShow: tracked.reportMenu(menu)
            onOpened: tracked.reportMenu(menu)
            onClosed: {
                tracked.view.menuHidden(menu)
                Qt.callLater(menu.destroyWhenClosed)
            }

            // The submenu shows in place of this one: the pair goes only when both closed.
            function destroyWhenClosed() {
                if (!menu.visible && !changeMenu.visible)
                    menu.destroy()
            }

            NotchMenu {
                id: changeMenu
                objectName: "changeMenu-" + tracked.file.name
                title: "Change expiry"
                onAboutToShow: tracked.reportMenu(changeMenu)
                onOpened: tracked.reportMenu(changeMenu)
                onClosed: {
                    tracked.view.menuHidden(changeMenu)
                    Qt.callLater(menu.destroyWhenClosed)
                }

                Instantiator {
                    model: tracked.view.options
                    NotchMenuItem {
                        required property var modelData
                        objectName: "changeTo-" + modelData.raw
                        text: modelData.label
                        onTriggered: tracked.view.changeExpiry(tracked.file.id, modelData.raw)
                    }
                    onObjectAdded: (index, object) => changeMenu.insertItem(index, object)
                    onObjectRemoved: (index, object) => changeMenu.removeItem(object)
                }
            }
            NotchMenuItem {
                objectName: "keepForeverItem"
                text: "Keep forever"
                onTriggered: tracked.view.keepTracked(tracked.file.id)
            }
            NotchMenuItem {
                objectName: "showInFolderItem"
                text: "Show in Folder"
                onTriggered: tracked.view.reveal(tracked.file.id)
            }
            MenuSeparator {
                contentItem: Rectangle {
                    implicitHeight: 1
                    color: Qt.rgba(1, 1, 1, 0.12)
                }
            }
            NotchMenuItem {
                objectName: "deleteNowItem"
                text: "Delete now"
                destructive: true
                onTriggered: tracked.view.deleteNow(tracked.file.id)
            }

            Connections {
                target: tracked.view
                function onCloseMenus() {
                    changeMenu.close()
                    menu.close()
                }
            }
        }
    }
}
