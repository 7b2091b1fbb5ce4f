import Fadebin.Notch
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Fadebin.Periphery

// A check mark and a line of good news in green.
RowLayout {
    property alias text: label.text

    spacing: 7

    NotchIcon {
        name: "checkmark-circle02"
        color: label.color
        Layout.preferredWidth: 15
        Layout.preferredHeight: 15
    }
    Label {
        id: label
        color: "#2e9e48"
        font.pixelSize: 13
        font.weight: Font.Medium
    }
}
