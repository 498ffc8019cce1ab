#pragma once

class QWidget;

// What a keyboard user and a screen reader expect of every window of the program:
// - Enter (or keypad Enter) on a focused button presses it, as Space does;
// - Escape in a window with a "ZPĚT" button presses that button;
// - the window is announced as a frame, not a filler, and controls that are hidden
//   (panels shown only while adding or editing) are not announced at all.
void serveKeyboardAndReader(QWidget* window);
// Lets the program's windows and frames tell a screen reader of what they show only; called
// before the first window is made (Qt may ask a control about itself as soon as it exists).
void installReaderInterfaces();
