#pragma once
// The dialogs the editing commands run and wait for: a file to compare
// with and the table maths value. The program's answer is the frame's
// FrameDialogs; the window tests answer them through their replacement.
#include <string>

#include "platform/FileDialogRequest.h"

class CTableMathsDlg;
class QWidget;

class EditDialogs {
public:
    virtual ~EditDialogs() = default;
    // The chosen path; empty for Cancel.
    virtual std::string AskFile(QWidget* parent, const FileDialogRequest& request) = 0;
    // Runs the dialog to its end: QDialog::Accepted or Rejected.
    virtual int RunTableMaths(CTableMathsDlg& dialog) = 0;
};
