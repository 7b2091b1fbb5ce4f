// New downloads waiting for a decision, then the files that are expiring. Both lists are
// list models: a change of one file adds, removes or moves its delegate alone.
import QtQuick
import Fadebin.Notch

Column {
    id: lists
    objectName: "lists"

    required property NotchViewModel view
    // The opened pending row moved or changed size: the scroll area keeps it in view.
    signal rowPlaced(Item item)
    // The line under the last waiting row, shown with it when there is room.
    readonly property Item tail: moreWaiting

    spacing: 14
    bottomPadding: 4

    Column {
        objectName: "pendingSection"
        width: lists.width
        spacing: 8
        visible: lists.view.pendingRows.count > 0

        SectionHeader {
            title: qsTr("New in Downloads")
            count: lists.view.pendingCount
            size: lists.view.pendingSize
        }
        Column {
            objectName: "applyToAll"
            width: parent.width
            spacing: 6
            visible: lists.view.showApplyToAll
            Text {
                textFormat: Text.PlainText
                text: qsTr("Apply to all")
                color: Qt.rgba(1, 1, 1, 0.6)
                font.pixelSize: 12
                font.weight: Font.Medium
            }
            ExpiryButtons {
                width: parent.width
                namePrefix: "applyToAll"
                options: lists.view.options
                onSelected: raw => lists.view.applyToAll(raw)
            }
        }
        Flow {
            width: parent.width
            spacing: 6
            Repeater {
                model: lists.view.pendingRows
                PendingItem {
                    view: lists.view
                    maxWidth: lists.width
                    onPlaced: item => lists.rowPlaced(item)
                }
            }
        }
        Text {
            id: moreWaiting
            objectName: "moreWaiting"
            width: parent.width
            visible: text !== ""
            textFormat: Text.PlainText
            wrapMode: Text.Wrap
            text: lists.view.moreWaiting
            color: Qt.rgba(1, 1, 1, 0.6)
            font.pixelSize: 12
        }
    }

    Column {
        objectName: "trackedSection"
        width: lists.width
        spacing: 2
        visible: lists.view.trackedRows.count > 0

        SectionHeader {
            title: qsTr("Expiring")
            count: lists.view.trackedCount
            size: lists.view.trackedSize
        }
        Repeater {
            model: lists.view.trackedRows
            TrackedRow {
                view: lists.view
                width: lists.width
            }
        }
    }
}
