// An entry of the notch's menus with its icon; a destructive one reads red.
import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Controls.impl

MenuItem {
    id: item

    property bool destructive: false
    // Opens a menu of its own.
    property bool showsArrow: false
    property string iconName

    implicitHeight: 28
    leftPadding: 10
    rightPadding: 10
    font.pixelSize: 12
    icon.source: iconName !== "" ? "image://notchmenu/" + iconName : ""
    icon.width: 14
    icon.height: 14
    icon.color: destructive ? "#FF453A" : "white"

    contentItem: Row {
        spacing: 8
        IconImage {
            objectName: "menuIcon"
            anchors.verticalCenter: parent.verticalCenter
            width: item.icon.width
            height: item.icon.height
            sourceSize: Qt.size(item.icon.width, item.icon.height)
            source: item.icon.source
            color: item.icon.color
            visible: item.iconName !== ""
        }
        Text {
            anchors.verticalCenter: parent.verticalCenter
            width: parent.width - (item.iconName !== "" ? item.icon.width + parent.spacing : 0)
            textFormat: Text.PlainText
            text: item.text
            font: item.font
            color: item.destructive ? "#FF453A" : "white"
            elide: Text.ElideRight
        }
    }
    arrow: Text {
        x: item.width - width - item.rightPadding
        anchors.verticalCenter: parent.verticalCenter
        visible: item.showsArrow
        text: "›"
        color: Qt.rgba(1, 1, 1, 0.6)
        font.pixelSize: 14
    }
    indicator: Item {}
    background: Rectangle {
        implicitWidth: 190
        radius: 6
        color: item.highlighted ? Qt.rgba(1, 1, 1, 0.12) : "transparent"
        FocusRing {
            visible: item.visualFocus
            anchors.margins: 0
            radius: 6
        }
    }
}
