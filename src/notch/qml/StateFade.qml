// Content of a state fades in with an ease-out of 0.22 s after 0.12 s, and out with an
// ease-in of 0.1 s.
import QtQuick

SequentialAnimation {
    property bool fadingIn: true
    PauseAnimation { duration: fadingIn ? 120 : 0 }
    NumberAnimation {
        duration: fadingIn ? 220 : 100
        easing.type: fadingIn ? Easing.OutQuad : Easing.InQuad
    }
}
