// The yardstick of the first-frame benchmark: an empty QMainWindow of the main window's size,
// started as Ordisk is (same Qt, same platform plugin, same style).
#include <QApplication>
#include <QMainWindow>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QMainWindow window;
    // The main window's outer size: its 905 × 687 controls and the menu bar above them.
    window.resize(905, 687 + 22);
    window.show();
    return QApplication::exec();
}
