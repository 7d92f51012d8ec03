#pragma once
// The dialogs the ECU commands run and wait for. Each runs its dialog to
// its end: QDialog::Accepted or Rejected; what the user did is in the core
// objects the dialog was built on. The program's answer is the frame's
// FrameDialogs; the window tests answer them through their replacement.
#include <string>

#include "platform/FileDialogRequest.h"

class CDataExchangeDlg;
class CItemSetDlg;
class CLogbookDlg;
class CRs232cDlg;
class QWidget;

class EcuDialogs {
public:
    virtual ~EcuDialogs() = default;
    // The chosen path; empty for Cancel.
    virtual std::string AskFile(QWidget* parent, const FileDialogRequest& request) = 0;
    virtual int RunDataExchange(CDataExchangeDlg& dialog) = 0;
    virtual int RunLogbook(CLogbookDlg& dialog) = 0;
    virtual int RunItemSet(CItemSetDlg& dialog) = 0;
    virtual int RunRs232c(CRs232cDlg& dialog) = 0;
};
