// Keyboard snapshots, keys named by DirectInput scan codes.
#pragma once

void PlatKeyboardInit();
// Takes the frame's snapshot. A key pressed and released since the previous
// capture counts as down in this one. All keys read up while the game window is
// not in the foreground.
void PlatKeyboardCapture();
// Down in the current snapshot.
bool PlatKeyDown(int scanCode);
// True once, in the first snapshot in which the key is up after an earlier
// release query saw it down.
bool PlatKeyReleased(int scanCode);
void PlatKeyboardEnd();

// Scripted input for the replay tool: while on, snapshots come only from
// PlatKeyboardScriptKey and never from the device.
void PlatKeyboardSetScripted(bool on);
void PlatKeyboardScriptKey(int scanCode, bool down);
