import QtQuick
import QtQuick.Controls

// A row of mutually exclusive choices; the chosen one is filled.
Rectangle {
    id: control

    // One entry per choice: { "title": shown text, "name": objectName of its button }.
    property var choices: []
    property int currentIndex: 0
    signal activated(int index)

    implicitWidth: row.implicitWidth + 4
    implicitHeight: 28
    radius: 7
    color: Qt.rgba(palette.windowText.r, palette.windowText.g, palette.windowText.b, 0.08)

    Row {
        id: row

        anchors.centerIn: parent
        spacing: 2

        Repeater {
            model: control.choices

            // A radio button, so that a screen reader hears one of exclusive choices (Qt 6.4's
            // controls keep their own role over Accessible.role); drawn as a segment.
            RadioButton {
                id: segment

                required property var modelData
                required property int index
                readonly property bool current: index === control.currentIndex

                objectName: modelData.name
                Accessible.name: text
                text: modelData.title
                implicitWidth: label.implicitWidth + 24
                implicitHeight: 24
                padding: 0
                checked: current
                indicator: null
                focusPolicy: Qt.StrongFocus
                onClicked: control.activated(index)

                background: Rectangle {
                    radius: 5
                    color: segment.current ? palette.highlight
                                           : (segment.hovered ? Qt.rgba(palette.windowText.r,
                                                                        palette.windowText.g,
                                                                        palette.windowText.b, 0.06)
                                                              : "transparent")
                    border.width: segment.visualFocus ? 2 : 0
                    border.color: Qt.lighter(palette.highlight, 1.3)
                }
                contentItem: Label {
                    id: label
                    Accessible.ignored: true
                    text: segment.text
                    horizontalAlignment: Text.AlignHCenter
                    verticalAlignment: Text.AlignVCenter
                    color: segment.current ? palette.highlightedText : palette.windowText
                }
            }
        }
    }
}
