import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

// A row of a form group: a title (and a caption under it) on the left, its control on the
// right. A line separates it from the visible row above.
Item {
    id: row

    property string title: ""
    property string subtitle: ""
    default property alias trailing: trailingRow.data
    readonly property bool isFirst: {
        for (let i = 0; i < parent.children.length; ++i) {
            const sibling = parent.children[i];
            if (sibling.visible)
                return sibling === row;
        }
        return true;
    }

    Layout.fillWidth: true
    implicitHeight: Math.max(46, content.implicitHeight + 20)

    Rectangle {
        visible: !row.isFirst
        width: parent.width
        height: 1
        color: Qt.rgba(palette.windowText.r, palette.windowText.g, palette.windowText.b, 0.09)
    }

    RowLayout {
        id: content

        anchors.fill: parent
        anchors.leftMargin: 14
        anchors.rightMargin: 12
        spacing: 12

        ColumnLayout {
            visible: row.title !== "" || row.subtitle !== ""
            spacing: 2
            Layout.fillWidth: true
            Layout.alignment: Qt.AlignVCenter

            // Wrapped, not cut: a longer language's title takes a second line.
            Label {
                visible: row.title !== ""
                text: row.title
                wrapMode: Text.Wrap
                Layout.fillWidth: true
            }

            Caption {
                visible: row.subtitle !== ""
                text: row.subtitle
                Layout.fillWidth: true
            }
        }

        RowLayout {
            id: trailingRow

            spacing: 8
            Layout.alignment: Qt.AlignVCenter | Qt.AlignRight
        }
    }
}
