import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

// One step of the walkthrough: its title, its text, then whatever the step adds.
ColumnLayout {
    property alias title: titleLabel.text
    property alias body: bodyLabel.text

    spacing: 14

    Label {
        id: titleLabel
        font.pixelSize: 26
        font.weight: Font.Medium
        Layout.fillWidth: true
    }
    SecondaryLabel {
        id: bodyLabel
        font.pixelSize: 14
        lineHeight: 1.15
        Layout.fillWidth: true
        Layout.bottomMargin: 6
    }
}
