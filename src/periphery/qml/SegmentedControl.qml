import QtQuick
import QtQuick.Controls

// A row of mutually exclusive choices; the chosen one is filled.
Rectangle {
    id: control
    Accessible.role: Accessible.Grouping

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

            AbstractButton {
                id: segment

                required property var modelData
                required property int index
                readonly property bool current: index === control.currentIndex

                objectName: modelData.name
                // One of exclusive choices: a radio button, checked while it is the current one.
                Accessible.role: Accessible.RadioButton
                Accessible.name: text
                Accessible.checkable: true
                Accessible.checked: current
                text: modelData.title
                implicitWidth: label.implicitWidth + 24
                implicitHeight: 24
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
