// The collapsed notch: a mark at the leading side, the scheduled count or the countdown at
// the trailing side, both beside where a camera housing would be.
import QtQuick
import Fadebin.Notch

Item {
    id: collapsed
    objectName: "collapsedContent"

    required property NotchViewModel view

    opacity: view.collapsed ? 1 : 0
    visible: opacity > 0
    Behavior on opacity {
        enabled: Motion.enabled
        NumberAnimation { duration: 150; easing.type: Easing.InOutQuad }
    }

    NotchMark {
        objectName: "collapsedMark"
        x: collapsed.view.markLeading
        anchors.verticalCenter: parent.verticalCenter
        icon: collapsed.view.markIcon
        iconSize: collapsed.view.markIconSize
        color: collapsed.view.markIsWarning ? "#FF9F0A"
             : collapsed.view.markIsCountdown ? collapsed.view.countdownColor
                                              : Qt.rgba(1, 1, 1, collapsed.view.markOpacity)
        bold: collapsed.view.markBold
    }

    NotchIndicator {
        objectName: "collapsedIndicator"
        anchors.right: parent.right
        anchors.rightMargin: 6
        anchors.verticalCenter: parent.verticalCenter
        shown: collapsed.view.indicatorShown
        text: collapsed.view.indicatorText
        color: collapsed.view.indicatorIsCountdown ? collapsed.view.countdownColor
                                                   : collapsed.view.countColor
    }
}
