#pragma once
// The main frame's dialogs answered from a script: the file dialog gives
// nextFile, the Menu dialog is clicked through to menuChoice (Cancel for -1)
// unless menu drives it, and the constants list, the exchange, the item set,
// the RS232C dialog, the Directory dialog, the Title Editor and the tool box
// legend run what the test put in (Cancel, or Close, when it put nothing).
#include <QListWidget>
#include <QPushButton>
#include <QtTest>
#include <functional>
#include <string>

#include "app/gui/FrameDialogs.h"
#include "app/gui/DirectoryDlg.h"
#include "app/gui/MenuDlg.h"
#include "app/gui/ToolBoxDlg.h"
#include "ecu/gui/DataExchangeDlg.h"
#include "ecu/gui/LogbookDlg.h"
#include "ecu/gui/ItemSetDlg.h"
#include "ecu/gui/Rs232cDlg.h"
#include "edit/gui/ConstantsDlg.h"
#include "edit/gui/MultiMapDlg.h"
#include "edit/gui/TitleDlg.h"
#include "edit/gui/TableMathsDlg.h"
#include "app/gui/OperatingPointDlg.h"

struct ScriptedDialogs : FrameDialogs {
    std::string nextFile;          // "" = Cancel
    int menuChoice = 0;            // the map the Menu dialog's user picks; -1 = Cancel
    std::function<bool(Image&)> constantsEditor;     // edits the buffer; true for OK
    std::function<int(CConstantsDlg&)> constants;     // drives the dialog itself
    std::function<int(CMenuDlg&)> menu;
    std::function<int(CMultiMapDlg&)> multiMap;       // Cancel when none
    std::function<int(CDataExchangeDlg&)> exchange;
    std::function<int(CLogbookDlg&)> logbook;
    std::function<int(CItemSetDlg&)> itemSet;
    std::function<int(CRs232cDlg&)> rs232c;
    std::function<void(CDirectoryDlg&)> directory;
    std::function<void(CTitleDlg&)> titles;
    std::function<void(CToolBoxDlg&)> toolBox;
    std::function<void(CTableMathsDlg&)> tableMaths;   // Cancel when it leaves the dialog open
    std::function<void(COperatingPointDlg&)> operatingPoint;   // Cancel when it leaves the dialog open
    int directoryRuns = 0, titleRuns = 0, toolBoxRuns = 0;

    FileDialogRequest lastRequest;   // the last file dialog asked for
    std::string AskFile(QWidget*, const FileDialogRequest& request) override {
        lastRequest = request;
        return nextFile;
    }
    int RunMenu(CMenuDlg& dialog) override {
        if (menu) return menu(dialog);
        dialog.show();
        if (menuChoice < 0) {
            QTest::mouseClick(dialog.cancelButton(), Qt::LeftButton);
            return dialog.result();
        }
        QListWidget* list = dialog.mapList();
        QListWidgetItem* item = list->item(menuChoice);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(item).center());
        QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
        return dialog.result();
    }
    int RunConstants(CConstantsDlg& dialog) override {
        if (constants) return constants(dialog);
        return constantsEditor && constantsEditor(dialog.Buffer()) ? QDialog::Accepted : QDialog::Rejected;
    }
    int RunMultiMap(CMultiMapDlg& dialog) override { return multiMap ? multiMap(dialog) : QDialog::Rejected; }
    int RunDataExchange(CDataExchangeDlg& dialog) override { return exchange ? exchange(dialog) : 0; }
    int RunLogbook(CLogbookDlg& dialog) override { return logbook ? logbook(dialog) : 0; }
    int RunItemSet(CItemSetDlg& dialog) override { return itemSet ? itemSet(dialog) : 0; }
    int RunRs232c(CRs232cDlg& dialog) override { return rs232c ? rs232c(dialog) : 0; }
    int RunDirectory(CDirectoryDlg& dialog) override {
        ++directoryRuns;
        return Run(dialog, directory, dialog.cancelButton());
    }
    int RunTitles(CTitleDlg& dialog) override {
        ++titleRuns;
        return Run(dialog, titles, dialog.cancelButton());
    }
    int RunToolBox(CToolBoxDlg& dialog) override {
        ++toolBoxRuns;
        return Run(dialog, toolBox, dialog.closeButton());
    }

    int RunTableMaths(CTableMathsDlg& dialog) override { return Run(dialog, tableMaths, dialog.cancelButton()); }
    int RunOperatingPoint(COperatingPointDlg& dialog) override {
        return Run(dialog, operatingPoint, dialog.cancelButton());
    }

    // Shows the dialog, lets the script click and type, and closes it with
    // the given button when the script left it open.
    template <typename Dialog>
    static int Run(Dialog& dialog, const std::function<void(Dialog&)>& script, QPushButton* closeWith) {
        dialog.show();
        if (!QTest::qWaitForWindowExposed(&dialog)) qWarning("dialog not exposed");
        if (script) script(dialog);
        if (dialog.isVisible()) QTest::mouseClick(closeWith, Qt::LeftButton);
        return dialog.result();
    }
};
