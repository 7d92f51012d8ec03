#include "app/gui/FrameDialogs.h"
#include "edit/gui/TableMathsDlg.h"

#include "edit/gui/ConstantsDlg.h"
#include "edit/gui/MultiMapDlg.h"
#include "app/gui/OperatingPointDlg.h"

#include <QFileDialog>
#include <QStringList>
#include <cstdio>

#include "app/gui/DirectoryDlg.h"
#include "app/gui/MenuDlg.h"
#include "app/gui/ToolBoxDlg.h"
#include "ecu/gui/DataExchangeDlg.h"
#include "ecu/gui/LogbookDlg.h"
#include "ecu/gui/ItemSetDlg.h"
#include "ecu/gui/Rs232cDlg.h"
#include "edit/gui/TitleDlg.h"
#include "model/Strings.h"
#include "platform/UserPrompt.h"
#include "platform/TextFormat.h"

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

void ShowMissingDialog(UserPrompt& prompt, const char* name) {
    prompt.Message(FormatText(text::kDialogMissing, name), Str(str::kProductName), PromptIcon::kInformation);
}

std::string QtFrameDialogs::AskFile(QWidget* parent, const FileDialogRequest& request) {
    QStringList filters;
    for (const std::string& f : request.filters) filters << Q(f);
    QFileDialog dialog(parent, Q(request.title), Q(request.folder));
    dialog.setNameFilters(filters);
    dialog.setDefaultSuffix(Q(request.defaultExtension));
    dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(request.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (!request.proposedName.empty()) dialog.selectFile(Q(request.proposedName));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::string();
    return dialog.selectedFiles().front().toStdString();
}

int QtFrameDialogs::RunMenu(CMenuDlg& dialog) { return dialog.exec(); }
int QtFrameDialogs::RunDirectory(CDirectoryDlg& dialog) { return dialog.exec(); }
int QtFrameDialogs::RunTitles(CTitleDlg& dialog) { return dialog.exec(); }
int QtFrameDialogs::RunTableMaths(CTableMathsDlg& dialog) { return dialog.exec(); }
int QtFrameDialogs::RunToolBox(CToolBoxDlg& dialog) { return dialog.exec(); }

int QtFrameDialogs::RunConstants(CConstantsDlg& dialog) { return dialog.exec(); }
int QtFrameDialogs::RunMultiMap(CMultiMapDlg& dialog) { return dialog.exec(); }

int QtFrameDialogs::RunDataExchange(CDataExchangeDlg& dialog) { return dialog.exec(); }
int QtFrameDialogs::RunLogbook(CLogbookDlg& dialog) { return dialog.exec(); }
int QtFrameDialogs::RunItemSet(CItemSetDlg& dialog) { return dialog.exec(); }
int QtFrameDialogs::RunOperatingPoint(COperatingPointDlg& dialog) { return dialog.exec(); }
int QtFrameDialogs::RunRs232c(CRs232cDlg& dialog) { return dialog.exec(); }
