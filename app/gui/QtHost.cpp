#include "app/gui/QtHost.h"

#include "app/gui/MachineSelectDlg.h"
#include "app/gui/MainFrame.h"
#include "app/QelApp.h"

QtHost::QtHost() = default;
QtHost::~QtHost() = default;

MachineSelectResult QtHost::RunMachineSelect(CQelApp& app) {
    CMachineSelectDlg dialog(app, prompt_);
    return dialog.exec() == CMachineSelectDlg::kExitProgram ? MachineSelectResult::kExitProcess
                                                            : MachineSelectResult::kClosed;
}

bool QtHost::CreateMainFrame(CQelApp& app) {
    frame_ = std::make_unique<CMainFrame>(app, prompt_);
    frame_->hide();
    frame_->SetMachineName(QString::fromStdString(app.registry.machineName));
    return true;
}

void QtHost::PostBatchConversion(CQelApp&) { batchPosted = true; }
