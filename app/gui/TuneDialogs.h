#pragma once
// The dialogs the tuning loop's commands run and wait for. The program's
// answer is the frame's FrameDialogs; the window tests answer them through
// their replacement.
#include <string>

#include "platform/FileDialogRequest.h"

class COperatingPointDlg;
class QWidget;

class TuneDialogs {
public:
    virtual ~TuneDialogs() = default;
    // The chosen path; empty for Cancel.
    virtual std::string AskFile(QWidget* parent, const FileDialogRequest& request) = 0;
    // Runs the dialog to its end: QDialog::Accepted or Rejected.
    virtual int RunOperatingPoint(COperatingPointDlg& dialog) = 0;
};
