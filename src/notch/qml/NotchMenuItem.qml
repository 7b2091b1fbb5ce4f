// An entry of the notch's menus; a destructive one reads red.
import QtQuick
import QtQuick.Controls.Basic

MenuItem {
    id: item

    property bool destructive: false

    objectName: subMenu ? "submenu-" + subMenu.title : ""

    implicitHeight: 28
    leftPadding: 10
    rightPadding: 10
    font.pixelSize: 12

    contentItem: Text {
        textFormat: Text.PlainText
        text: item.text
        font: item.font
        color: item.destructive ? "#FF453A" : "white"
        verticalAlignment: Text.AlignVCenter
        elide: Text.ElideRight
    }
    arrow: Text {
        x: item.width - width - item.rightPadding
        anchors.verticalCenter: parent.verticalCenter
        visible: item.subMenu
        text: "›"
        color: Qt.rgba(1, 1, 1, 0.6)
        font.pixelSize: 14
    }
    indicator: Item {}
    background: Rectangle {
        implicitWidth: 190
        radius: 6
        color: item.highlighted ? Qt.rgba(1, 1, 1, 0.12) : "transparent"
    }
}
