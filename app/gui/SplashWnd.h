#pragma once
// The start-up picture: a borderless window of the picture's size in the
// middle of the screen. When its time is up it closes and shows the main
// window maximised; keys and clicks do not end it early.
#include <QImage>
#include <QPointer>
#include <QWidget>

#include "app/Splash.h"

class QTimer;

class CSplashWnd : public QWidget {
    Q_OBJECT
public:
    CSplashWnd(const Bitmap& picture, int displayTime, QWidget* mainWindow);
    QTimer* timer() const { return timer_; }
    const QImage& picture() const { return image_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void OnTimer();

    QImage image_;
    QPointer<QWidget> mainWindow_;
    QTimer* timer_;
};

// Shows the splash of plan, or, without one, mainWindow maximised at once.
// The splash window deletes itself when it closes; the pointer is for tests.
CSplashWnd* ShowSplashThenMainWindow(const SplashPlan& plan, QWidget* mainWindow);
