import QtQuick

// A small note in the tertiary style.
SecondaryLabel {
    emphasis: 0.45
    font.pixelSize: 12
}
