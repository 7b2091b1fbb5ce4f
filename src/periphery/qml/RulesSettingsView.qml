import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Fadebin.Periphery

// The Rules tab: standing decisions for new downloads, how often each decided, another choice
// for one, and removing one. Rules come from the notch's offer or from "fadebin rules add".
// The list scrolls past five rules, so that the window keeps its height.
ColumnLayout {
    id: view

    required property SettingsBindings bindings
    readonly property var rules: bindings.rules

    spacing: 6

    Label {
        text: qsTr("Rules")
        font.bold: true
        leftPadding: 2
        Layout.fillWidth: true
    }

    Rectangle {
        Layout.fillWidth: true
        implicitHeight: view.rules.length === 0 ? empty.implicitHeight
                                                : Math.min(list.contentHeight, 5 * 60)
        radius: 8
        color: palette.base
        border.width: 1
        border.color: Qt.rgba(palette.windowText.r, palette.windowText.g, palette.windowText.b,
                              0.13)

        ColumnLayout {
            anchors.left: parent.left
            anchors.right: parent.right
            spacing: 0
            visible: view.rules.length === 0

            FormRow {
                id: empty
                objectName: "noRules"
                title: qsTr("No rules yet")
                subtitle: qsTr("When you give files of one kind from one site the same choice three times, Fadebin offers to make it a rule. “fadebin rules add” makes one by hand.")
            }
        }

        ListView {
            id: list
            objectName: "rulesList"
            anchors.fill: parent
            anchors.margins: 1
            clip: true
            visible: view.rules.length > 0
            boundsBehavior: Flickable.StopAtBounds
            model: view.rules
            ScrollBar.vertical: ScrollBar {
                policy: list.contentHeight > list.height ? ScrollBar.AlwaysOn : ScrollBar.AlwaysOff
            }

            delegate: FormRow {
                id: rule
                required property var modelData
                required property int index

                objectName: "rule-" + index
                width: ListView.view.width
                title: modelData.subject
                subtitle: modelData.applied

                ComboBox {
                    objectName: "ruleChoice-" + rule.index
                    Accessible.name: qsTr("Choice for %1").arg(rule.modelData.subject)
                    model: view.bindings.ruleChoiceLabels
                    currentIndex: rule.modelData.choiceIndex
                    onActivated: index => view.bindings.setRuleChoice(rule.index, index)
                    // As wide as its longest choice, in any language.
                    implicitContentWidthPolicy: ComboBox.WidestText
                }
                Button {
                    objectName: "removeRule-" + rule.index
                    text: qsTr("Remove")
                    Accessible.name: qsTr("Remove the rule for %1").arg(rule.modelData.subject)
                    onClicked: view.bindings.removeRule(rule.index)
                }
            }
        }
    }

    Caption {
        text: qsTr("New downloads that match a rule get its choice at once and are never asked about. The most specific rule wins: a site and a kind over a site alone, a site over a kind.")
        leftPadding: 2
        Layout.fillWidth: true
    }
}
