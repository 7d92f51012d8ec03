#include "app/gui/SplashWnd.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QTimer>

CSplashWnd::CSplashWnd(const Bitmap& picture, int displayTime, QWidget* mainWindow)
    : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      image_(picture.width, picture.height, QImage::Format_RGB32),
      mainWindow_(mainWindow),
      timer_(new QTimer(this)) {
    setAttribute(Qt::WA_DeleteOnClose);
    setCursor(Qt::ArrowCursor);
    for (int y = 0; y < picture.height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image_.scanLine(y));
        for (int x = 0; x < picture.width; ++x) line[x] = picture.Pixel(x, y);
    }
    setFixedSize(picture.width, picture.height);
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move(area.left() + (area.width() - picture.width) / 2, area.top() + (area.height() - picture.height) / 2);
    }
    timer_->setSingleShot(true);
    timer_->setInterval(displayTime);
    connect(timer_, &QTimer::timeout, this, &CSplashWnd::OnTimer);
}

void CSplashWnd::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(0, 0, image_);
}

void CSplashWnd::keyPressEvent(QKeyEvent*) {}
void CSplashWnd::mousePressEvent(QMouseEvent*) {}

void CSplashWnd::OnTimer() {
    timer_->stop();
    QPointer<QWidget> main = mainWindow_;
    close();   // deletes this window later
    if (main) {
        main->update();
        main->showMaximized();
    }
}

CSplashWnd* ShowSplashThenMainWindow(const SplashPlan& plan, QWidget* mainWindow) {
    if (!plan.show) {
        mainWindow->showMaximized();
        return nullptr;
    }
    auto* splash = new CSplashWnd(plan.picture, plan.displayTime, mainWindow);
    splash->show();
    splash->timer()->start();
    return splash;
}
