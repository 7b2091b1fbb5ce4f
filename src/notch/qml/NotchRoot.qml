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
                                        ? Math.min(expandedContent.implicitHeight, view.maxHeight)
                                        : view.toastShown ? view.toastHeight : view.notchHeight

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
        ToastContent {
            width: root.view.openWidth
            height: root.view.toastHeight
            anchors.horizontalCenter: parent.horizontalCenter
            view: root.view
        }
        ExpandedContent {
            id: expandedContent
            width: root.view.openWidth
            anchors.horizontalCenter: parent.horizontalCenter
            view: root.view
        }
    }

    NotchDropArea {
        objectName: "dropArea"
        anchors.fill: surface
        view: root.view
    }

    Component.onCompleted: reportShape()
}
