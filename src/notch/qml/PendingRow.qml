// The opened pending file: what it is, when each choice would delete it, and the decision.
// Fixed heights keep its buttons where the end-to-end test clicks them.
import QtQuick
import Fadebin.Notch

Rectangle {
    id: row
    objectName: "pendingRow-" + (file ? file.name : "")

    property NotchFileRow file
    property var options: []
    signal decide(string raw)
    signal keep()

    implicitHeight: 152
    radius: 14
    color: Qt.rgba(1, 1, 1, 0.06)

    KindTile {
        x: 12
        y: 12
        width: 32
        height: 32
        kind: row.file ? row.file.kind : 0
    }
    Text {
        objectName: "pendingName"
        textFormat: Text.PlainText
        x: 54
        y: 11
        width: row.width - 66
        text: row.file ? row.file.shownName : ""
        color: "white"
        font.pixelSize: 13
        font.weight: Font.DemiBold
        elide: Text.ElideMiddle
    }
    Text {
        objectName: "pendingDetail"
        textFormat: Text.PlainText
        x: 54
        y: 30
        width: row.width - 66
        text: row.file ? row.file.detail : ""
        color: Qt.rgba(1, 1, 1, 0.55)
        font.pixelSize: 11
        elide: Text.ElideRight
    }

    // The picker: equal segments, the selection ringed.
    Row {
        id: picker
        x: 12
        y: 54
        width: row.width - 24
        height: 28
        Repeater {
            model: row.options
            Rectangle {
                id: segment
                required property var modelData
                readonly property bool selected: row.file && row.file.selection === modelData.raw
                objectName: "option-" + modelData.raw
                width: picker.width / Math.max(1, row.options.length)
                height: picker.height
                radius: 8
                color: selected ? Qt.rgba(1, 1, 1, 0.14)
                                : segmentArea.containsMouse ? Qt.rgba(1, 1, 1, 0.07) : "transparent"
                border.width: selected ? 1.5 : 0
                border.color: Qt.rgba(1, 1, 1, 0.9)
                Text {
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
        x: 12
        y: 88
        width: row.width - 24
        text: row.file ? row.file.preview : ""
        color: Qt.rgba(1, 1, 1, 0.55)
        font.pixelSize: 11
        elide: Text.ElideRight
    }

    NotchButton {
        objectName: "keepButton"
        x: row.width - 12 - 72 - 8 - 72
        y: 112
        width: 72
        height: 28
        text: "Keep it"
        onClicked: row.keep()
    }
    NotchButton {
        objectName: "doneButton"
        x: row.width - 12 - 72
        y: 112
        width: 72
        height: 28
        text: "Done"
        prominent: true
        onClicked: if (row.file) row.decide(row.file.selection)
    }
}
