#pragma once
// The dialogs the main frame runs and waits for: the file dialogs, the Menu
// dialog, the constants list editor, the data exchange, the Directory
// dialog, the Title Editor and the tool box legend. The program uses
// QtFrameDialogs; the window tests answer all of them through one
// replacement of their own.
#include <string>
#include <vector>

#include "model/Image.h"

class CDirectoryDlg;
class CMenuDlg;
class CTitleDlg;
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
    // The constants list over a copy of the image: true for OK (the buffer
    // holds the edited bytes).
    virtual bool EditConstants(QWidget* parent, Image& buffer) = 0;
    // The data exchange: true when data were taken over into the image.
    virtual bool RunDataExchange(QWidget* parent) = 0;
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
    bool EditConstants(QWidget* parent, Image& buffer) override;
    bool RunDataExchange(QWidget* parent) override;
    int RunDirectory(CDirectoryDlg& dialog) override;
    int RunTitles(CTitleDlg& dialog) override;
    int RunToolBox(CToolBoxDlg& dialog) override;

private:
    UserPrompt& prompt_;
};

// The information message for a dialog this build does not have yet.
void ShowMissingDialog(UserPrompt& prompt, const char* name);
