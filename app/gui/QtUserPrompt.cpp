#include "app/gui/QtUserPrompt.h"

#include <QApplication>
#include <QMessageBox>

namespace {

QMessageBox::Icon ToQtIcon(PromptIcon icon) {
    switch (icon) {
    case PromptIcon::kStop: return QMessageBox::Critical;
    case PromptIcon::kExclamation: return QMessageBox::Warning;
    case PromptIcon::kInformation: return QMessageBox::Information;
    case PromptIcon::kQuestion: return QMessageBox::Question;
    case PromptIcon::kNone: break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButton ToQtButton(PromptAnswer answer) {
    switch (answer) {
    case PromptAnswer::kOk: return QMessageBox::Ok;
    case PromptAnswer::kCancel: return QMessageBox::Cancel;
    case PromptAnswer::kYes: return QMessageBox::Yes;
    case PromptAnswer::kNo: return QMessageBox::No;
    }
    return QMessageBox::Ok;
}

}  // namespace

void QtUserPrompt::Message(const std::string& text, const std::string& caption, PromptIcon icon) {
    QMessageBox box(ToQtIcon(icon), QString::fromStdString(caption), QString::fromStdString(text),
                    QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}

PromptAnswer QtUserPrompt::Ask(const std::string& text, const std::string& caption,
                               PromptButtons buttons, PromptIcon icon,
                               PromptAnswer defaultAnswer) {
    QMessageBox::StandardButtons qtButtons = QMessageBox::Ok;
    switch (buttons) {
    case PromptButtons::kOk: qtButtons = QMessageBox::Ok; break;
    case PromptButtons::kOkCancel: qtButtons = QMessageBox::Ok | QMessageBox::Cancel; break;
    case PromptButtons::kYesNo: qtButtons = QMessageBox::Yes | QMessageBox::No; break;
    case PromptButtons::kYesNoCancel:
        qtButtons = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        break;
    }
    QMessageBox box(ToQtIcon(icon), QString::fromStdString(caption), QString::fromStdString(text),
                    qtButtons, QApplication::activeWindow());
    box.setDefaultButton(ToQtButton(defaultAnswer));
    switch (box.exec()) {
    case QMessageBox::Ok: return PromptAnswer::kOk;
    case QMessageBox::Yes: return PromptAnswer::kYes;
    case QMessageBox::No: return PromptAnswer::kNo;
    default: return PromptAnswer::kCancel;   // Cancel, Escape, closed
    }
}
