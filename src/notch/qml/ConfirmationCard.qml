// The card shown for a second after a decision; longer when it offers to make the decision a
// rule, with the question and its two answers below.
import QtQuick
import Fadebin.Icons
import Fadebin.Notch

Item {
    id: card
    objectName: "confirmationCard"

    required property NotchViewModel view

    implicitHeight: body.implicitHeight + 16 + (offer.visible ? offer.implicitHeight + 8 : 0)

    Rectangle {
        anchors.fill: body
        radius: 16
        color: Qt.rgba(1, 1, 1, 0.06)
    }
    Row {
        id: body
        y: 8
        width: card.width
        padding: 14
        spacing: 12

        Item {
            width: 36
            height: 36
            KindTile {
                Accessible.ignored: true
                anchors.fill: parent
                kind: card.view.confirmationKind
            }
            Rectangle {
                x: 24
                y: 24
                width: 16
                height: 16
                radius: 8
                color: "#32D74B"
                border.width: 2
                border.color: "black"
                NotchIcon {
                    Accessible.ignored: true
                    anchors.centerIn: parent
                    width: 10
                    height: 10
                    name: "tick02"
                    color: "black"
                    bold: true
                }
            }
        }
        Column {
            anchors.verticalCenter: parent.verticalCenter
            width: body.width - 2 * body.padding - 48
            spacing: 2
            Text {
                objectName: "confirmationHeadline"
                textFormat: Text.PlainText
                width: parent.width
                text: card.view.confirmationHeadline
                color: "white"
                font.pixelSize: 13
                font.weight: Font.DemiBold
                elide: Text.ElideRight
            }
            Text {
                objectName: "confirmationSubtitle"
                textFormat: Text.PlainText
                width: parent.width
                text: card.view.confirmationSubtitle
                color: Qt.rgba(1, 1, 1, 0.55)
                font.pixelSize: 11
                elide: Text.ElideMiddle
            }
        }
    }
    Rectangle {
        id: offer
        objectName: "ruleOffer"
        visible: card.view.ruleOfferText !== ""
        y: body.y + body.height + 8
        width: card.width
        implicitHeight: offerColumn.implicitHeight + 24
        height: implicitHeight
        radius: 16
        color: Qt.rgba(1, 1, 1, 0.06)
        Column {
            id: offerColumn
            x: 14
            y: 12
            width: parent.width - 28
            spacing: 10
            Text {
                objectName: "ruleOfferText"
                textFormat: Text.PlainText
                width: parent.width
                text: card.view.ruleOfferText
                color: "white"
                font.pixelSize: 13
                wrapMode: Text.Wrap
            }
            Row {
                spacing: 8
                NotchButton {
                    objectName: "ruleOfferAccept"
                    prominent: true
                    text: qsTr("Make It a Rule")
                    Accessible.name: qsTr("Make it a rule: ") + card.view.ruleOfferText
                    onClicked: card.view.answerRuleOffer(true)
                }
                NotchButton {
                    objectName: "ruleOfferDecline"
                    text: qsTr("No, Ask Me")
                    onClicked: card.view.answerRuleOffer(false)
                }
            }
        }
    }
}
