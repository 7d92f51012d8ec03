#include "app/gui/ProgressWnd.h"

#include <QLabel>
#include <QVBoxLayout>

#include "model/Strings.h"
#include "ecu/EcuProtocol.h"

CProgressWnd::CProgressWnd(QWidget* owner)
    : QWidget(owner, Qt::Tool | Qt::WindowTitleHint | Qt::CustomizeWindowHint) {
    setObjectName("progressWnd");
    setWindowTitle(QString::fromStdString(Str(str::kProductName)));
    auto* layout = new QVBoxLayout(this);
    title_ = new QLabel(this);
    title_->setObjectName("progressTitle");
    progress_ = new QLabel(this);
    progress_->setObjectName("progressText");
    for (QLabel* label : {title_, progress_}) {
        label->setAlignment(Qt::AlignCenter);
        layout->addWidget(label);
    }
    setFixedSize(240, 72);
}

void CProgressWnd::Show(const std::string& title) {
    ++showCount_;
    title_->setText(QString::fromStdString(title));
    progress_->setText(QString::fromLatin1(ecuproto::kWait));
    if (QWidget* owner = parentWidget()) {
        const QRect area = owner->frameGeometry();
        move(area.center() - rect().center());
    }
    show();
}

void CProgressWnd::SetText(const std::string& text) { progress_->setText(QString::fromStdString(text)); }

void CProgressWnd::Close() { hide(); }

QString CProgressWnd::TitleText() const { return title_->text(); }
QString CProgressWnd::ProgressText() const { return progress_->text(); }
