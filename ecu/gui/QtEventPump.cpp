#include "ecu/gui/QtEventPump.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QThread>

int QtEventPump::Flags() const {
    return holdUserInput ? QEventLoop::ExcludeUserInputEvents : QEventLoop::AllEvents;
}

void QtEventPump::DispatchOne() {
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance(QThread::currentThread());
    const bool handled =
        dispatcher != nullptr && dispatcher->processEvents(QEventLoop::ProcessEventsFlags(Flags()));
    if (!handled) QThread::msleep(kIdleSleepMs);
}

void QtEventPump::DispatchAll() {
    QCoreApplication::processEvents(QEventLoop::ProcessEventsFlags(Flags()));
}

QtLinkTimer::QtLinkTimer() {
    timer_.setInterval(kPeriodMs);
    QObject::connect(&timer_, &QTimer::timeout, [this] { Fire(); });
}

void QtLinkTimer::StartLinkTimer() {
    // Starting a running timer restarts its period, as a window timer does.
    timer_.start(kPeriodMs);
}

void QtLinkTimer::StopLinkTimer() { timer_.stop(); }

void QtLinkTimer::Fire() {
    if (firing_) return;
    firing_ = true;
    ++ticks_;
    if (onTick) onTick();
    firing_ = false;
}
