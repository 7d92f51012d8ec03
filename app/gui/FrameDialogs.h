#pragma once
// The dialogs the main frame runs and waits for: the file dialogs, the Menu
// dialog, the constants list editor, the data exchange, the item set, the
// RS232C parameters, the Directory dialog, the Title Editor and the tool box
// legend. The program uses
// QtFrameDialogs; the window tests answer all of them through one
// replacement of their own.
#include <string>
#include <vector>

#include "model/Image.h"

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

// A file dialog request; the answer is the chosen path, empty for Cancel.
struct FileDialogRequest {
    bool save = false;
    std::string title;
    std::string folder;        // DIRECTORY PATH1
    std::string proposedName;
    std::string defaultExtension;
    std::vector<std::string> filters;
};

class FrameDialogs {
public:
    virtual ~FrameDialogs() = default;
    // The chosen path; empty for Cancel.
    virtual std::string AskFile(QWidget* parent, const FileDialogRequest& request) = 0;
    // Runs the Menu dialog to its end: QDialog::Accepted or Rejected.
    virtual int RunMenu(CMenuDlg& dialog) = 0;
    // The constants list over a copy of the image: QDialog::Accepted for OK
    // (the dialog's buffer holds the edited bytes).
    virtual int RunConstants(CConstantsDlg& dialog) = 0;
    // The Multi Map Edit dialog: QDialog::Accepted when OK stored a link state.
    virtual int RunMultiMap(CMultiMapDlg& dialog) = 0;
    // Each runs its dialog to its end: QDialog::Accepted or Rejected. What
    // the user did is in the core objects the dialog was built on.
    virtual int RunDataExchange(CDataExchangeDlg& dialog) = 0;
    virtual int RunLogbook(CLogbookDlg& dialog) = 0;
    virtual int RunItemSet(CItemSetDlg& dialog) = 0;
    virtual int RunRs232c(CRs232cDlg& dialog) = 0;
    virtual int RunDirectory(CDirectoryDlg& dialog) = 0;
    virtual int RunTitles(CTitleDlg& dialog) = 0;
    virtual int RunToolBox(CToolBoxDlg& dialog) = 0;
    virtual int RunTableMaths(CTableMathsDlg& dialog) = 0;
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

private:
    UserPrompt& prompt_;
};

// The information message for a dialog this build does not have yet.
void ShowMissingDialog(UserPrompt& prompt, const char* name);
