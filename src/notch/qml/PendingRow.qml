// The opened pending file: what it is, when each choice would delete it, and the decision.
// The kind and the name head the card, the picker and its preview follow, and the buttons
// sit at its bottom trailing corner.
import QtQuick
import Fadebin.Notch

Rectangle {
    id: row
    objectName: "pendingRow-" + (file ? file.name : "")
    Accessible.role: Accessible.ListItem
    Accessible.name: file ? file.spokenName : ""

    property NotchFileRow file
    property var options: []
    signal decide(string raw)
    signal keep()
    // The keyboard's cursor is on this row: the row and its choice ringed in the focus colour.
    property bool cursor: false

    implicitHeight: 152
    radius: 14
    color: Qt.rgba(1, 1, 1, 0.06)
    // Inside its edge: the row's frame clips what is outside.
    FocusRing {
        visible: row.cursor
        anchors.margins: 0
        radius: row.radius
    }

    KindTile {
        id: tile
        Accessible.ignored: true
        anchors.left: parent.left
        anchors.top: parent.top
        anchors.margins: 12
        width: 32
        height: 32
        kind: row.file ? row.file.kind : 0
    }
    Text {
        objectName: "pendingName"
        Accessible.ignored: true
        textFormat: Text.PlainText
        anchors.left: tile.right
        anchors.leftMargin: 10
        anchors.right: parent.right
        anchors.rightMargin: 12
        anchors.top: parent.top
        anchors.topMargin: 11
        text: row.file ? row.file.shownName : ""
        color: "white"
        font.pixelSize: 13
        font.weight: Font.DemiBold
        elide: Text.ElideMiddle
    }
    Text {
        objectName: "pendingDetail"
        Accessible.ignored: true
        textFormat: Text.PlainText
        anchors.left: tile.right
        anchors.leftMargin: 10
        anchors.right: parent.right
        anchors.rightMargin: 12
        anchors.top: parent.top
        anchors.topMargin: 30
        text: row.file ? row.file.detail : ""
        color: Qt.rgba(1, 1, 1, 0.55)
        font.pixelSize: 11
        elide: Text.ElideRight
    }

    // The picker: a segment per choice, the selection ringed. Each is as wide as its label and
    // an equal share of the rest: about equal in English, and longer words (German's) still
    // fit beside short ones.
    Row {
        id: picker
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.top: tile.bottom
        anchors.margins: 12
        anchors.topMargin: 10
        height: 28
        readonly property real share: {
            let labels = 0
            for (let i = 0; i < row.options.length; ++i)
                labels += labelMetrics.advanceWidth(row.options[i].shortLabel)
            return (width - labels) / Math.max(1, row.options.length)
        }
        FontMetrics {
            id: labelMetrics
            font.pixelSize: 12
            font.weight: Font.DemiBold
        }
        Repeater {
            model: row.options
            Rectangle {
                id: segment
                required property var modelData
                readonly property bool selected: row.file && row.file.selection === modelData.raw
                objectName: "option-" + modelData.raw
                // A choice among the row's times: toggling selects it as a click does,
                // pressing decides on it at once.
                Accessible.role: Accessible.RadioButton
                Accessible.name: modelData.spokenName
                Accessible.checkable: true
                Accessible.checked: selected
                Accessible.onToggleAction: if (row.file) row.file.selection = segment.modelData.raw
                Accessible.onPressAction: row.decide(segment.modelData.raw)
                width: labelMetrics.advanceWidth(modelData.shortLabel) + picker.share
                height: picker.height
                radius: 8
                color: selected ? Qt.rgba(1, 1, 1, 0.14)
                                : segmentArea.containsMouse ? Qt.rgba(1, 1, 1, 0.07) : "transparent"
                border.width: selected ? (row.cursor ? 2 : 1.5) : 0
                border.color: row.cursor ? "#0A84FF" : Qt.rgba(1, 1, 1, 0.9)
                Text {
                    Accessible.ignored: true
                    textFormat: Text.PlainText
                    anchors.centerIn: parent
                    text: segment.modelData.shortLabel
                    color: segment.selected ? "white" : Qt.rgba(1, 1, 1, 0.7)
                    font.pixelSize: 12
                    font.weight: Font.DemiBold
                }
                MouseArea {
                    id: segmentArea
                    anchors.fill: parent
                    hoverEnabled: true
                    onClicked: if (row.file) row.file.selection = segment.modelData.raw
                }
            }
        }
    }
    Text {
        objectName: "pendingPreview"
        textFormat: Text.PlainText
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.top: picker.bottom
        anchors.margins: 12
        anchors.topMargin: 6
        text: row.file ? row.file.preview : ""
        color: Qt.rgba(1, 1, 1, 0.55)
        font.pixelSize: 11
        elide: Text.ElideRight
    }

    Row {
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        anchors.margins: 12
        spacing: 8
        NotchButton {
            objectName: "keepButton"
            // As wide as its words need where they are longer than English ones.
            width: Math.max(72, implicitWidth)
            height: 28
            text: qsTr("Keep it")
            onClicked: row.keep()
        }
        NotchButton {
            objectName: "doneButton"
            Accessible.description: row.file ? row.file.preview : ""
            width: Math.max(72, implicitWidth)
            height: 28
            text: qsTr("Done")
            prominent: true
            onClicked: if (row.file) row.decide(row.file.selection)
        }
    }
}
