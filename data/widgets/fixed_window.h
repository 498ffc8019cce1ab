#pragma once

#include <Qt>

class QWidget;

// Makes a loaded window fixed: its Designer size, a title bar with only the
// close box (no minimise or maximise). Dialogs keep to their parent's task-bar entry.
// Its text boxes take text of any length.
void makeFixedWindow(QWidget* window, Qt::WindowType kind = Qt::Window);
