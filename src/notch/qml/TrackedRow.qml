// A file counting down: its kind, name and remaining time; the time opens the expiry
// editor, the menu behind the dots changes, keeps, shows or deletes it.
import QtQuick
import QtQuick.Controls.Basic
import Fadebin.Notch

Column {
    id: tracked
    objectName: "trackedRow-" + file.name
    Accessible.role: Accessible.ListItem
    Accessible.name: file.spokenName

    required property NotchFileRow file
    required property NotchViewModel view
    readonly property bool editing: file.opened

    spacing: 4
    bottomPadding: editing ? 8 : 0

    function reportMenu(menu) {
        tracked.view.menuShown(menu, menu.background.mapToItem(null, 0, 0, menu.background.width,
                                                                 menu.background.height))
    }
    // Where the view model says: below the row, or beside it, clear of its time and button.
    function placeMenu(menu) {
        if (!menu.parent)
            return
        const row = line.mapToItem(null, 0, 0, line.width, line.height)
        const controls = time.mapToItem(null, -4, 0, more.x + more.width - time.x + 4, line.height)
        const at = tracked.view.menuPosition(row, controls, Qt.size(menu.width, menu.height))
        const local = menu.parent.mapFromItem(null, at.x, at.y)
        menu.x = local.x
        menu.y = local.y
    }

    Item {
        id: line
        width: tracked.width
        height: 36
        FocusRing {
            visible: tracked.editing && tracked.view.showsCursor
            anchors.margins: -2
        }

        KindTile {
            Accessible.ignored: true
            anchors.verticalCenter: parent.verticalCenter
            width: 26
            height: 26
            kind: tracked.file.kind
        }
        Text {
            objectName: "trackedName"
            Accessible.ignored: true
            textFormat: Text.PlainText
            anchors.verticalCenter: parent.verticalCenter
            x: 34
            width: (ruleMark.visible ? ruleMark.x : time.x) - x - 8
            text: tracked.file.shownName
            color: "white"
            font.pixelSize: 12
            font.weight: Font.Medium
            elide: Text.ElideMiddle
        }
        // Decided by a rule, not by the person: a small mark before the time.
        Rectangle {
            id: ruleMark
            objectName: "ruleMark-" + tracked.file.name
            visible: tracked.file.ruled
            anchors.verticalCenter: parent.verticalCenter
            anchors.right: time.left
            anchors.rightMargin: 8
            width: ruleWord.implicitWidth + 12
            height: 18
            radius: 9
            color: Qt.rgba(1, 1, 1, 0.12)
            Text {
                id: ruleWord
                Accessible.ignored: true
                anchors.centerIn: parent
                textFormat: Text.PlainText
                text: qsTr("Rule")
                color: Qt.rgba(1, 1, 1, 0.75)
                font.pixelSize: 10
                font.weight: Font.DemiBold
            }
        }
        TabularText {
            id: time
            objectName: "time-" + tracked.file.name
            Accessible.role: Accessible.Button
            Accessible.name: qsTr("Change expiry")
            Accessible.description: text
            Accessible.onPressAction: tracked.view.editTracked(tracked.file.id)
            width: implicitWidth
            height: implicitHeight
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
            NotchToolTip {
                visible: timeArea.containsMouse
                text: qsTr("Change expiry")
            }
        }
        IconButton {
            id: more
            objectName: "more-" + tracked.file.name
            Accessible.name: qsTr("More actions")
            anchors.verticalCenter: parent.verticalCenter
            anchors.right: parent.right
            iconName: "more-horizontal-circle01"
            iconSize: 16
            onClicked: menuComponent.createObject(tracked).open()
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
            cursorIndex: tracked.view.showsCursor ? tracked.view.keyChoice : -1
        }
    }

    // Menus are made when they open and go when they close.
    function openMenu(component) {
        component.createObject(tracked).open()
    }

    Component {
        id: menuComponent
        RowMenu {
            row: tracked
            objectName: "menu-" + tracked.file.name

            NotchMenuItem {
                // Its own menu, placed like this one: a submenu would be placed by Qt.
                objectName: "submenu-Change expiry"
                text: qsTr("Change expiry")
                iconName: "clock04"
                showsArrow: true
                onTriggered: tracked.openMenu(changeMenuComponent)
            }
            NotchMenuItem {
                objectName: "keepForeverItem"
                text: qsTr("Keep forever")
                iconName: "checkmark-circle02"
                onTriggered: tracked.view.keepTracked(tracked.file.id)
            }
            NotchMenuItem {
                objectName: "showInFolderItem"
                text: qsTr("Show in Folder")
                iconName: "folder01"
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
                text: qsTr("Delete now")
                iconName: "file-shredder"
                destructive: true
                onTriggered: tracked.view.deleteNow(tracked.file.id)
            }
        }
    }
    Component {
        id: changeMenuComponent
        RowMenu {
            id: changeMenu
            row: tracked
            objectName: "changeMenu-" + tracked.file.name

            Instantiator {
                model: tracked.view.options
                NotchMenuItem {
                    required property var modelData
                    objectName: "changeTo-" + modelData.raw
                    text: modelData.label
                    iconName: "clock01"
                    onTriggered: tracked.view.changeExpiry(tracked.file.id, modelData.raw)
                }
                onObjectAdded: (index, object) => changeMenu.insertItem(index, object)
                onObjectRemoved: (index, object) => changeMenu.removeItem(object)
            }
        }
    }
    // A menu of a row: placed by the view model, its area told while it shows.
    component RowMenu: NotchMenu {
        id: rowMenu
        required property Item row
        onAboutToShow: {
            row.placeMenu(rowMenu)
            row.reportMenu(rowMenu)
        }
        // Placed again once open: its items may have grown it since it was first placed.
        onOpened: {
            row.placeMenu(rowMenu)
            row.reportMenu(rowMenu)
        }
        onClosed: {
            row.view.menuHidden(rowMenu)
            Qt.callLater(rowMenu.destroy)
        }
        Connections {
            target: rowMenu.row.view
            function onCloseMenus() {
                rowMenu.close()
            }
        }
    }
}
