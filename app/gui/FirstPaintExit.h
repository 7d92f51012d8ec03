#pragma once
// Ends the program once a top-level window has painted for the first time,
// printing how long that took: for timing start-up and memory from outside.
// Nobody is there to answer a dialog in such a run, so a dialog that comes
// up (a message box) is turned down at once and its text goes to stderr;
// the run then ends with status 1. Header only, so the bare reference
// program of bench/ uses the same rule without linking the program's windows.
#include <QCoreApplication>
#include <QDialog>
#include <QEvent>
#include <QMessageBox>
#include <QTimer>
#include <QWidget>

#include <chrono>
#include <cstdio>

class FirstPaintExit : public QObject {
public:
    // started: the moment the time is counted from.
    FirstPaintExit(QWidget* window, std::chrono::steady_clock::time_point started)
        : window_(window), started_(started) {
        QCoreApplication::instance()->installEventFilter(this);
    }

    // The window whose first paint ends the run, when it is not known yet
    // at construction.
    void SetWindow(QWidget* window) { window_ = window; }
    // A dialog came up and was turned down.
    bool Failed() const { return failed_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!watched->isWidgetType()) return false;
        auto* widget = static_cast<QWidget*>(watched);
        if (event->type() == QEvent::Show && widget != window_ && widget->isWindow()) {
            if (auto* dialog = qobject_cast<QDialog*>(widget)) {
                failed_ = true;
                const auto* box = qobject_cast<QMessageBox*>(dialog);
                const QString text = box ? box->text() : dialog->windowTitle();
                std::fprintf(stderr, "a dialog came up and was turned down: %s\n", text.toLocal8Bit().constData());
                QTimer::singleShot(0, dialog, &QDialog::reject);
            }
        }
        if (!seen_ && event->type() == QEvent::Paint && widget->window() == window_) {
            seen_ = true;
            // The window's children paint in the same pass; the zero timer
            // runs once that pass is over, and the time is taken there.
            QTimer::singleShot(0, this, [this] {
                const double ms =
                    std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started_).count();
                std::printf("first paint after %.1f ms\n", ms);
                std::fflush(stdout);
                QCoreApplication::exit(failed_ ? 1 : 0);
            });
        }
        return false;
    }

private:
    QWidget* window_;
    std::chrono::steady_clock::time_point started_;
    bool seen_ = false;
    bool failed_ = false;
};
