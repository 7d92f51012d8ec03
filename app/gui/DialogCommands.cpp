#include "app/gui/DialogCommands.h"

#include <QCoreApplication>
#include <QDialog>
#include <memory>

#include "app/FrameModel.h"
#include "app/QelApp.h"
#include "app/gui/AboutDlg.h"
#include "app/gui/DirectoryDlg.h"
#include "app/gui/FrameDialogs.h"
#include "app/gui/MachineSelectDlg.h"
#include "app/gui/ToolBoxDlg.h"
#include "files/DataFile.h"
#include "edit/gui/ConstantsDlg.h"
#include "edit/gui/TitleDlg.h"

DialogCommands::DialogCommands(CQelApp& app, FrameDialogs& dialogs, UserPrompt& prompt, QWidget* parent,
                               std::function<int(const std::vector<EcuByteWrite>&)> writeToEcu,
                               std::function<void()> refreshActive)
    : app_(app),
      dialogs_(dialogs),
      prompt_(prompt),
      parent_(parent),
      writeToEcu_(std::move(writeToEcu)),
      refreshActive_(std::move(refreshActive)) {}

void DialogCommands::ConstantsList() {
    auto buffer = std::make_unique<Image>(app_.image());
    // Shift+Enter: the committed value goes into the image in use and to the
    // ECU at once, besides the dialog's copy.
    auto liveWrite = [this](std::uint16_t address, const std::vector<std::uint8_t>& bytes) {
        std::vector<EcuByteWrite> writes;
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            const auto at = static_cast<std::uint16_t>(address + i);
            if (app_.image()[at] != bytes[i]) app_.modified = 1;
            app_.image()[at] = bytes[i];
            writes.push_back({at, bytes[i]});
        }
        writeToEcu_(writes);
    };
    CConstantsDlg dialog(app_.definitionLines, *buffer, prompt_, liveWrite, app_.Data(), parent_);
    // Without a listed constant the dialog ends at once with Cancel.
    const bool ok = dialog.ConstantCount() > 0 && dialogs_.RunConstants(dialog) == QDialog::Accepted;
    if (ok && CopyBackImage(app_.image(), *buffer)) app_.modified = 1;
    refreshActive_();
}

// The editor works on a copy of the data file's titles; OK puts what it
// changed back into the file's lines, which the next save writes.
void DialogCommands::Titles() {
    const bool open = !app_.dataFilePath.empty();
    std::vector<std::string> titles;
    std::vector<int> pairLines;
    ReadTitles(app_.dataLines, titles, &pairLines);
    CTitleDlg dialog(titles, pairLines, app_.modified, prompt_, open, parent_);
    if (dialogs_.RunTitles(dialog) == QDialog::Accepted && open &&
        StoreTitles(app_.dataLines, dialog.Titles(), dialog.PairLines()))
        app_.modified = 1;
}

void DialogCommands::Directory() {
    CDirectoryDlg dialog(app_, prompt_, parent_);
    dialogs_.RunDirectory(dialog);
}

void DialogCommands::MachineSelect() {
    CMachineSelectDlg dialog(app_, prompt_, parent_);
    if (dialog.exec() == CMachineSelectDlg::kExitProgram) QCoreApplication::exit(0);
}

void DialogCommands::ToolBox() {
    CToolBoxDlg dialog(parent_);
    dialogs_.RunToolBox(dialog);
}

void DialogCommands::About() {
    CAboutDlg dialog(parent_);
    dialog.exec();
}
