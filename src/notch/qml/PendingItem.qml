// A pending file: a chip, or its opened row while it is the selected one. The two share
// one frame, which springs between their sizes.
import QtQuick
import Fadebin.Notch

Item {
    id: item

    required property NotchFileRow modelData
    required property NotchViewModel view
    property real maxWidth: 300
    readonly property bool opened: view.selectedPendingId === modelData.id

    width: opened ? maxWidth : Math.min(chip.implicitWidth, maxWidth)
    height: opened ? row.implicitHeight : chip.implicitHeight
    clip: true
    Behavior on width { enabled: Motion.enabled; NumberAnimation { duration: 350; easing.type: Easing.OutBack; easing.overshoot: 0.6 } }
    Behavior on height { enabled: Motion.enabled; NumberAnimation { duration: 350; easing.type: Easing.OutBack; easing.overshoot: 0.6 } }

    PendingChip {
        id: chip
        maxWidth: item.maxWidth
        file: item.modelData
        visible: !item.opened
        onSelect: item.view.selectPending(item.modelData.id)
    }
    PendingRow {
        id: row
        width: item.maxWidth
        file: item.modelData
        options: item.view.options
        visible: item.opened
        onDecide: raw => item.view.decidePending(item.modelData.id, raw)
    }
}
