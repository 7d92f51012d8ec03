#pragma once
// The dialogs the main frame runs and waits for: the file dialogs, the Menu
// dialog, the constants list editor, the data exchange, the item set, the
// RS232C parameters, the Directory dialog, the Title Editor and the tool box
// legend. The program uses
// QtFrameDialogs; the window tests answer all of them through one
// replacement of their own.
#include <string>
#include <vector>

#include "ecu/gui/EcuDialogs.h"
#include "edit/gui/EditDialogs.h"
#include "model/Image.h"
#include "platform/FileDialogRequest.h"
#include "app/gui/TuneDialogs.h"

class CConstantsDlg;
class CDataExchangeDlg;
class CLogbookDlg;
class CDirectoryDlg;
class CItemSetDlg;
class CMenuDlg;
class CMultiMapDlg;
class CRs232cDlg;
class CTitleDlg;
class CTableMathsDlg;
class CToolBoxDlg;
class QWidget;
struct UserPrompt;

// The dialogs of the editing and ECU controllers, and the frame's own.
class FrameDialogs : public EditDialogs, public EcuDialogs, public TuneDialogs {
public:
    // The chosen path; empty for Cancel. One answer for every layer.
    std::string AskFile(QWidget* parent, const FileDialogRequest& request) override = 0;
    // Runs the Menu dialog to its end: QDialog::Accepted or Rejected.
    virtual int RunMenu(CMenuDlg& dialog) = 0;
    // The constants list over a copy of the image: QDialog::Accepted for OK
    // (the dialog's buffer holds the edited bytes).
    virtual int RunConstants(CConstantsDlg& dialog) = 0;
    // The Multi Map Edit dialog: QDialog::Accepted when OK stored a link state.
    virtual int RunMultiMap(CMultiMapDlg& dialog) = 0;
    // Each runs its dialog to its end: QDialog::Accepted or Rejected.
    virtual int RunDirectory(CDirectoryDlg& dialog) = 0;
    virtual int RunTitles(CTitleDlg& dialog) = 0;
    virtual int RunToolBox(CToolBoxDlg& dialog) = 0;
};

class QtFrameDialogs : public FrameDialogs {
public:
    explicit QtFrameDialogs(UserPrompt& prompt) : prompt_(prompt) {}
    std::string AskFile(QWidget* parent, const FileDialogRequest& request) override;
    int RunMenu(CMenuDlg& dialog) override;
    int RunConstants(CConstantsDlg& dialog) override;
    int RunMultiMap(CMultiMapDlg& dialog) override;
    int RunDataExchange(CDataExchangeDlg& dialog) override;
    int RunLogbook(CLogbookDlg& dialog) override;
    int RunItemSet(CItemSetDlg& dialog) override;
    int RunRs232c(CRs232cDlg& dialog) override;
    int RunDirectory(CDirectoryDlg& dialog) override;
    int RunTitles(CTitleDlg& dialog) override;
    int RunToolBox(CToolBoxDlg& dialog) override;
    int RunTableMaths(CTableMathsDlg& dialog) override;
    int RunOperatingPoint(COperatingPointDlg& dialog) override;

private:
    UserPrompt& prompt_;
};

// The information message for a dialog this build does not have yet.
void ShowMissingDialog(UserPrompt& prompt, const char* name);
