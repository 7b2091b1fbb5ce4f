import QtQuick

// A caption: smaller secondary text under a control or a group.
SecondaryLabel {
    font.pointSize: Math.max(7, Qt.application.font.pointSize - 1)
}
