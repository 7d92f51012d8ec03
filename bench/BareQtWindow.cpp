// The reference for RV_Tune's start-up and memory: a Qt Widgets program with
// nothing of ours but the rule that ends it, showing one maximised window.
// Like "RV_Tune --first-paint-exit" it ends once the window has painted and
// prints "first paint after N ms". With --text the window shows one line
// of text: the first text any Qt program draws loads the font database and
// the fonts, which the empty window never does.
#include <QApplication>
#include <QLabel>
#include <QVBoxLayout>
#include <QWidget>

#include <cstring>

#include <chrono>

#include "app/gui/FirstPaintExit.h"

int main(int argc, char** argv) {
    const auto started = std::chrono::steady_clock::now();
    QApplication qapp(argc, argv);
    QWidget window;
    window.setWindowTitle("Bare");
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--text") == 0) {
            auto* layout = new QVBoxLayout(&window);
            layout->addWidget(new QLabel("Fuel Injection 1300 rpm", &window));
        }
    }
    FirstPaintExit watcher(&window, started);
    window.showMaximized();
    return qapp.exec();
}
