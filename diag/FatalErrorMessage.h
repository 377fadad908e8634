#pragma once

// "Fatal Error", the message that ends every crash: the box that the system's fatal application exit
// shows (the text, no caption of its own, system-modal, one button), kept in front of every other window,
// a Brenlow started since the crash included, until it is answered. Returns once it is answered.
void ShowFatalError();
