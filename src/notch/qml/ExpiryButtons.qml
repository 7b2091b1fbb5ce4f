// One button per offered option, "Keep it" drawn prominent; a choice is told at once.
import QtQuick

Flow {
    id: buttons

    property var options: []
    property string namePrefix: "expiry"
    signal selected(string raw)
    // The keyboard's choice among them, -1 for none.
    property int cursorIndex: -1

    spacing: 6

    Repeater {
        model: buttons.options
        NotchButton {
            required property var modelData
            required property int index
            objectName: buttons.namePrefix + "-" + modelData.raw
            Accessible.name: modelData.spokenName
            text: modelData.shortLabel
            prominent: modelData.prominent
            onClicked: buttons.selected(modelData.raw)
            ringed: index === buttons.cursorIndex
        }
    }
}
