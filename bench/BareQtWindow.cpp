// The reference for RV_Tune's start-up and memory: a Qt Widgets program with
// nothing of ours but the rule that ends it, showing one maximised window.
// Like "RV_Tune --first-paint-exit" it ends once the window has painted and
// prints "first paint after N ms".
#include <QApplication>
#include <QWidget>

#include <chrono>

#include "app/gui/FirstPaintExit.h"

int main(int argc, char** argv) {
    const auto started = std::chrono::steady_clock::now();
    QApplication qapp(argc, argv);
    QWidget window;
    window.setWindowTitle("Bare");
    FirstPaintExit watcher(&window, started);
    window.showMaximized();
    return qapp.exec();
}
