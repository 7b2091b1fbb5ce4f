// The panel's root view: the black notch surface at the top centre, sized and rounded for
// the controller's state, holding the content of that state. The whole surface takes drops.
import QtQuick
import Fadebin.Notch

Item {
    id: root
    objectName: "notchRoot"

    required property NotchViewModel view

    readonly property bool opening: !view.collapsed
    readonly property real shapeWidth: view.collapsed ? view.collapsedWidth : view.openWidth
    readonly property real shapeHeight: view.expanded
                                        ? Math.min(expandedContent.contentHeight, view.maxHeight)
                                        : view.toastShown ? view.toastHeight : view.notchHeight

    // Collapsed, with the shape still shrinking around the old content.
    readonly property bool closing: view.collapsed && surface.height > view.notchHeight + 0.5
    property bool lastOpenWasToast: false

    // The keys, while the panel holds the keyboard: the view model says what each one does;
    // one that moved the cursor brings the focus back from a button to the rows.
    focus: true
    // In the Tab chain itself: Tab goes round the buttons and back to the rows.
    activeFocusOnTab: true
    Keys.onPressed: event => {
        event.accepted = view.pressKey(event.key, event.modifiers)
        if (event.accepted && view.keyboardHeld && !activeFocus)
            forceActiveFocus()
    }
    Binding { target: root.view; property: "contentFocused"; value: root.activeFocus }
    readonly property bool keyboardHeld: view.keyboardHeld
    onKeyboardHeldChanged: if (keyboardHeld) forceActiveFocus()

    Connections {
        target: root.view
        function onStateChanged() {
            if (!root.view.collapsed)
                root.lastOpenWasToast = root.view.toastShown
        }
    }

    function reportShape() {
        view.setShapeGeometry(Qt.rect(surface.x, surface.y, surface.width, surface.height),
                              surface.topRadius, surface.bottomRadius)
    }

    NotchSurface {
        id: surface
        objectName: "surface"
        anchors.horizontalCenter: parent.horizontalCenter
        width: root.shapeWidth
        height: root.shapeHeight
        topRadius: root.view.topRadius
        bottomRadius: root.view.bottomRadius
        flaredTop: root.view.hasNotch
        clip: true

        // Opening springs out a little; closing settles without overshoot.
        Behavior on width { enabled: Motion.enabled; ShapeAnimation { opening: root.opening } }
        Behavior on height { enabled: Motion.enabled; ShapeAnimation { opening: root.opening } }
        Behavior on topRadius { enabled: Motion.enabled; ShapeAnimation { opening: root.opening } }
        Behavior on bottomRadius { enabled: Motion.enabled; ShapeAnimation { opening: root.opening } }

        onXChanged: root.reportShape()
        onWidthChanged: root.reportShape()
        onHeightChanged: root.reportShape()
        onShapeChanged: root.reportShape()

        CollapsedContent {
            width: parent.width
            height: root.view.notchHeight
            view: root.view
        }
        // A toast's content exists only while the shape is open on it or still closing.
        Loader {
            active: root.view.toastShown || (root.closing && root.lastOpenWasToast)
            width: root.view.openWidth
            height: root.view.toastHeight
            anchors.horizontalCenter: parent.horizontalCenter
            // By name, so that its imports load only when a toast first shows.
            Component.onCompleted: setSource("ToastContent.qml", {"view": root.view})
        }
        // The open panel's content is made with the collapsed notch and kept, hidden: made on
        // opening, its creation (Qt Quick Controls) came between the opened frame and its
        // first drawing. It costs memory the first opening took anyway, and nothing runs in it
        // while hidden (time ticks only while open). Its rows are made on opening, a hundred
        // at most of each list: cheap, and a burst under the closed notch then makes none.
        Loader {
            id: expandedContent
            readonly property real contentHeight: item ? item.implicitHeight : root.view.notchHeight
            width: root.view.openWidth
            anchors.horizontalCenter: parent.horizontalCenter
            Component.onCompleted: setSource("ExpandedContent.qml", {"view": root.view})
        }
    }

    NotchDropArea {
        objectName: "dropArea"
        anchors.fill: surface
        view: root.view
    }

    Component.onCompleted: reportShape()
}
