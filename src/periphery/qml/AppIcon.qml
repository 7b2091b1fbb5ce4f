import QtQuick

// The program's own icon with a soft shadow below it.
Item {
    id: icon
    Accessible.ignored: true

    property real size: 112
    property real shadowOpacity: 0.16

    implicitWidth: size
    implicitHeight: size

    // A soft shadow falling below, built from layered rounded squares (the software
    // renderer has no blur effect).
    Repeater {
        model: 10
        Rectangle {
            required property int index
            readonly property real spread: (index + 1) * 1.2
            x: icon.size * 0.07 - spread
            y: icon.size * 0.07 + 6 - spread * 0.4
            width: icon.size * 0.86 + 2 * spread
            height: icon.size * 0.86 + 1.4 * spread
            radius: icon.size * 0.2 + spread
            color: "black"
            opacity: icon.shadowOpacity / 8
        }
    }

    Image {
        anchors.fill: parent
        source: "qrc:/fadebin/com.ostrel.Fadebin.svg"
        sourceSize: Qt.size(icon.size * 2, icon.size * 2)
        smooth: true
        mipmap: true
    }
}
