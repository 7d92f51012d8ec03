#pragma once
// The main frame's dialogs answered from a script: the file dialog gives
// nextFile, the Menu dialog is clicked through to menuChoice (Cancel for -1)
// unless menu drives it, and the constants list, the exchange, the item set
// and the RS232C dialog run what the test put in (Cancel when nothing).
#include <QListWidget>
#include <QPushButton>
#include <QtTest>
#include <functional>
#include <string>

#include "app/gui/FrameDialogs.h"
#include "app/gui/MenuDlg.h"
#include "ecu/gui/DataExchangeDlg.h"
#include "ecu/gui/ItemSetDlg.h"
#include "ecu/gui/Rs232cDlg.h"

struct ScriptedDialogs : FrameDialogs {
    std::string nextFile;          // "" = Cancel
    int menuChoice = 0;            // the map the Menu dialog's user picks; -1 = Cancel
    std::function<bool(Image&)> constantsEditor;
    std::function<int(CMenuDlg&)> menu;
    std::function<int(CDataExchangeDlg&)> exchange;
    std::function<int(CItemSetDlg&)> itemSet;
    std::function<int(CRs232cDlg&)> rs232c;

    std::string AskFile(QWidget*, const FileDialogRequest&) override { return nextFile; }
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
    bool EditConstants(QWidget*, Image& buffer) override { return constantsEditor && constantsEditor(buffer); }
    int RunDataExchange(CDataExchangeDlg& dialog) override { return exchange ? exchange(dialog) : 0; }
    int RunItemSet(CItemSetDlg& dialog) override { return itemSet ? itemSet(dialog) : 0; }
    int RunRs232c(CRs232cDlg& dialog) override { return rs232c ? rs232c(dialog) : 0; }
};
