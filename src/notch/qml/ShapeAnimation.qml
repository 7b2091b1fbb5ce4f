// The notch's spring: response 0.42 s with a slight overshoot when opening, 0.34 s and
// fully damped when closing.
import QtQuick

NumberAnimation {
    property bool opening: true
    duration: opening ? 420 : 340
    easing.type: opening ? Easing.OutBack : Easing.OutCubic
    easing.overshoot: 0.9
}
