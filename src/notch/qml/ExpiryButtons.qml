// One button per offered option, "Keep it" drawn prominent; a choice is told at once.
import QtQuick

Flow {
    id: buttons

    property var options: []
    property string namePrefix: "expiry"
    signal selected(string raw)

    spacing: 6

    Repeater {
        model: buttons.options
        NotchButton {
            required property var modelData
            objectName: buttons.namePrefix + "-" + modelData.raw
            Accessible.name: modelData.spokenName
            text: modelData.shortLabel
            prominent: modelData.prominent
            onClicked: buttons.selected(modelData.raw)
        }
    }
}
