#pragma once

#include <Qt>

class QWidget;

// Makes a loaded window fixed: its Designer size, a title bar with only the
// close box (no minimise or maximise). Dialogs keep to their parent's task-bar entry.
// Its boxes keep exactly what is typed: text boxes take text of any length, Tab moves
// on from multi-line boxes instead of typing a tab, and editable drop-downs neither
// complete what is typed nor add it to their lists. A frame's contents clear its title.
void makeFixedWindow(QWidget* window, Qt::WindowType kind = Qt::Window);
