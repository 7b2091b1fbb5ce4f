// A dark menu for the black panel.
import QtQuick
import QtQuick.Controls.Basic

Menu {
    id: menu

    implicitWidth: 200
    padding: 5
    delegate: NotchMenuItem {}
    background: Rectangle {
        implicitWidth: 200
        radius: 10
        color: "#242426"
        border.width: 1
        border.color: Qt.rgba(1, 1, 1, 0.14)
    }
}
