import Fadebin.Icons
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Fadebin.Periphery

// A check mark and a line of good news in green, or an alert and a line of bad news.
RowLayout {
    property alias text: label.text
    property bool warning: false

    spacing: 7

    NotchIcon {
        Accessible.ignored: true
        name: warning ? "alert02" : "checkmark-circle02"
        color: label.color
        Layout.preferredWidth: 15
        Layout.preferredHeight: 15
    }
    Label {
        id: label
        color: warning ? "#c2410c" : "#2e9e48"
        font.pixelSize: 13
        font.weight: Font.Medium
        wrapMode: Text.Wrap
        Layout.fillWidth: true
    }
}
