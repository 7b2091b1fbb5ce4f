import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

// One group of a settings form: an optional header, then its rows on a rounded card with
// lines between them, then an optional description.
ColumnLayout {
    id: group

    property string header: ""
    property string description: ""
    default property alias rows: card.data

    spacing: 6
    Layout.fillWidth: true

    Label {
        visible: group.header !== ""
        text: group.header
        font.bold: true
        leftPadding: 2
        Layout.fillWidth: true
    }

    Rectangle {
        Layout.fillWidth: true
        implicitHeight: card.implicitHeight
        radius: 8
        color: palette.base
        border.width: 1
        border.color: Qt.rgba(palette.windowText.r, palette.windowText.g, palette.windowText.b,
                              0.13)

        ColumnLayout {
            id: card

            anchors.left: parent.left
            anchors.right: parent.right
            spacing: 0
        }
    }

    Caption {
        visible: group.description !== ""
        text: group.description
        leftPadding: 2
        Layout.fillWidth: true
    }
}
