// The open panel: below the notch a scroll area with whichever page applies, then the
// footer line.
import QtQuick
import QtQuick.Controls.Basic
import Fadebin.Notch

Item {
    id: content
    objectName: "expandedContent"

    required property NotchViewModel view
    readonly property real inset: 14 + view.topRadius
    readonly property real maxScrollHeight: view.maxHeight - view.notchHeight - view.footerHeight
    readonly property real pageHeight: pageColumn.implicitHeight

    implicitHeight: view.notchHeight + scroll.height + view.footerHeight

    // The opened pending row stays in view (the newest download's, below a hundred others),
    // also as the page around it is laid out.
    property Item shownRow: null
    function reveal() {
        if (!shownRow || !shownRow.opened)
            return
        const top = shownRow.mapToItem(pageColumn, 0, 0).y
        let bottom = top + shownRow.height
        const tail = lists.item ? lists.item.tail : null
        if (tail && tail.visible) {
            const tailTop = tail.mapToItem(pageColumn, 0, 0).y
            if (tailTop - bottom < 20 && tailTop + tail.height - top <= scroll.height)
                bottom = tailTop + tail.height
        }
        const last = Math.max(0, scroll.contentHeight - scroll.height)
        if (top < scroll.contentY)
            scroll.contentY = Math.max(0, Math.min(top, last))
        else if (bottom > scroll.contentY + scroll.height)
            scroll.contentY = Math.min(bottom - scroll.height, last)
    }
    // Made while the panel is collapsed and kept: opening only shows it, in the same frame
    // as the panel's opened frame, as the shape starts to grow around it (the surface clips
    // it). Closing fades it out.
    opacity: view.expanded ? 1 : 0
    visible: opacity > 0
    Behavior on opacity {
        // Only towards 0: targetValue is set before this is asked (QQuickBehavior::write).
        enabled: Motion.enabled && targetValue === 0
        StateFade { fadingIn: false }
    }

    Flickable {
        id: scroll
        objectName: "scrollArea"
        x: content.inset
        y: content.view.notchHeight
        width: content.width - 2 * content.inset
        height: Math.min(content.pageHeight, content.maxScrollHeight)
        contentWidth: width
        contentHeight: content.pageHeight
        clip: true
        boundsBehavior: Flickable.StopAtBounds
        ScrollBar.vertical: scrollBar
        onContentHeightChanged: content.reveal()
        onHeightChanged: content.reveal()

        Column {
            id: pageColumn
            width: scroll.width

            NoticeLine {
                objectName: "storageProblem"
                width: scroll.width
                visible: content.view.storageProblem !== ""
                text: content.view.storageProblem
            }
            // Made only while the disk is almost full: no empty button for a screen reader.
            Loader {
                width: scroll.width
                active: content.view.lowSpaceText !== ""
                visible: active
                sourceComponent: Column {
                    bottomPadding: 12
                    NoticeLine {
                        objectName: "lowSpace"
                        width: scroll.width
                        text: content.view.lowSpaceText
                    }
                    NotchButton {
                        objectName: "freeSpace"
                        anchors.horizontalCenter: parent.horizontalCenter
                        text: content.view.freeSpaceLabel
                        onClicked: content.view.freeSpace()
                    }
                }
            }

            // The lists exist while the panel shows (a burst of downloads under a collapsed
            // notch makes and drops no rows), and stay made while another page shows for a
            // moment (a decision's card): their rows are not made again after it.
            Loader {
                id: lists
                objectName: "listsPage"
                width: scroll.width
                active: content.visible
                        && (content.view.pendingRows.count > 0 || content.view.trackedRows.count > 0)
                visible: content.view.page === "lists"
                sourceComponent: Lists {
                    view: content.view
                    onRowPlaced: item => {
                        content.shownRow = item
                        content.reveal()
                    }
                }
            }
            Loader {
                id: page
                objectName: "page"
                width: scroll.width
                active: content.view.page !== "lists"
                // An inactive Loader keeps the height of its last page: it would leave that
                // much empty space below the lists.
                visible: active
                sourceComponent: {
                    switch (content.view.page) {
                    case "dropPrompt": return dropPrompt
                    case "dropNotice": return dropNotice
                    case "accessWarning": return accessWarning
                    case "confirmation": return confirmation
                    }
                    return empty
                }
            }
        }
    }

    // In the margin beside the rows, not over them and their cards.
    ScrollBar {
        id: scrollBar
        objectName: "scrollBar"
        x: scroll.x + scroll.width + 4
        y: scroll.y
        width: 6
        height: scroll.height
        policy: scroll.contentHeight > scroll.height ? ScrollBar.AlwaysOn : ScrollBar.AlwaysOff
        contentItem: Rectangle {
            implicitWidth: 4
            radius: 2
            color: Qt.rgba(1, 1, 1, 0.3)
        }
    }

    Footer {
        x: content.inset
        y: content.view.notchHeight + scroll.height
        width: content.width - 2 * content.inset
        height: content.view.footerHeight
        view: content.view
    }

    Component {
        id: dropPrompt
        DropPrompt {}
    }
    Component {
        id: dropNotice
        NoticeLine {
            objectName: "dropNotice"
            text: content.view.dropNotice
        }
    }
    Component {
        id: accessWarning
        AccessWarning { view: content.view }
    }
    Component {
        id: confirmation
        ConfirmationCard { view: content.view }
    }
    Component {
        id: empty
        EmptyState { view: content.view }
    }
}
