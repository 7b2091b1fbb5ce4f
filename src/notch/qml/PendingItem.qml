// A pending file: a chip, or its opened row while it is the selected one. The two share
// one frame, which springs between their sizes. The row, with its picker and buttons, is
// made when it opens: five hundred chips need not carry five hundred hidden rows.
import QtQuick
import Fadebin.Notch

Item {
    id: pending

    required property NotchFileRow file
    required property NotchViewModel view
    property real maxWidth: 300
    readonly property bool opened: file.opened
    // Told while opened, whenever the row moves or changes size.
    signal placed(Item item)
    onOpenedChanged: if (opened) placed(pending)
    onYChanged: if (opened) placed(pending)
    onHeightChanged: if (opened) placed(pending)

    width: opened ? maxWidth : Math.min(chip.implicitWidth, maxWidth)
    height: opened ? row.implicitHeight : chip.implicitHeight
    clip: true
    Behavior on width { enabled: Motion.enabled; NumberAnimation { duration: 350; easing.type: Easing.OutBack; easing.overshoot: 0.6 } }
    Behavior on height { enabled: Motion.enabled; NumberAnimation { duration: 350; easing.type: Easing.OutBack; easing.overshoot: 0.6 } }

    PendingChip {
        id: chip
        maxWidth: pending.maxWidth
        file: pending.file
        visible: !pending.opened
        onSelect: pending.view.selectPending(pending.file.id)
    }
    Loader {
        id: row
        width: pending.maxWidth
        active: pending.opened
        visible: active
        sourceComponent: PendingRow {
            file: pending.file
            options: pending.file.options
            onDecide: raw => pending.view.decidePending(pending.file.id, raw)
            onKeep: pending.view.keepPending(pending.file.id)
            cursor: pending.view.showsCursor
        }
    }
}
