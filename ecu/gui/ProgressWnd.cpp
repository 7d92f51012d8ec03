#include "ecu/gui/ProgressWnd.h"

#include <QApplication>
#include <QLabel>
#include <QVBoxLayout>

#include "model/Strings.h"
#include "ecu/EcuProtocol.h"

CProgressWnd::CProgressWnd(QWidget* owner)
    : QWidget(owner, Qt::Tool | Qt::WindowTitleHint | Qt::CustomizeWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName("progressWnd");
    // Shown above a modal window (the data exchange) that started the
    // transfer, and without taking the keyboard from it.
    setAttribute(Qt::WA_ShowWithoutActivating);
    setWindowTitle(QString::fromStdString(Str(str::kProductName)));
    auto* layout = new QVBoxLayout(this);
    phase_ = new QLabel(this);
    phase_->setObjectName("progressPhase");
    phase_->setAlignment(Qt::AlignCenter);
    phase_->hide();
    layout->addWidget(phase_);
    title_ = new QLabel(this);
    title_->setObjectName("progressTitle");
    progress_ = new QLabel(this);
    progress_->setObjectName("progressText");
    for (QLabel* label : {title_, progress_}) {
        label->setAlignment(Qt::AlignCenter);
        layout->addWidget(label);
    }
    setFixedSize(240, 96);
}

void CProgressWnd::Show(const std::string& title) {
    ++showCount_;
    title_->setText(QString::fromStdString(title));
    progress_->setText(QString::fromLatin1(ecuproto::kWait));
    QWidget* over = QApplication::activeModalWidget();
    if (!over) over = parentWidget();
    if (over) move(over->frameGeometry().center() - rect().center());
    show();
    raise();
}

void CProgressWnd::SetText(const std::string& text) { progress_->setText(QString::fromStdString(text)); }

void CProgressWnd::Close() { hide(); }

QString CProgressWnd::TitleText() const { return title_->text(); }
QString CProgressWnd::ProgressText() const { return progress_->text(); }

void CProgressWnd::SetPhase(const std::string& phase) {
    int step = phase == "Backup" ? 1 : phase == "Write" ? 2 : phase == "Verify" ? 3 : 0;
    phase_->setText(step ? QString("Step %1 of 3: %2").arg(step).arg(QString::fromStdString(phase)) : QString());
    phase_->setVisible(step != 0);
}

QString CProgressWnd::PhaseText() const { return phase_->text(); }
