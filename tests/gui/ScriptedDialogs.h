#pragma once
// The main frame's dialogs answered from a script: the file dialog gives
// nextFile, the Menu dialog is clicked through to menuChoice (Cancel for -1),
// and the constants list and the exchange run what the test put in.
#include <QListWidget>
#include <QPushButton>
#include <QtTest>
#include <functional>
#include <string>

#include "app/gui/FrameDialogs.h"
#include "app/gui/MenuDlg.h"

struct ScriptedDialogs : FrameDialogs {
    std::string nextFile;          // "" = Cancel
    int menuChoice = 0;            // the map the Menu dialog's user picks; -1 = Cancel
    std::function<bool(Image&)> constantsEditor;
    std::function<bool()> dataExchange;

    std::string AskFile(QWidget*, const FileDialogRequest&) override { return nextFile; }
    int RunMenu(CMenuDlg& dialog) override {
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
    bool RunDataExchange(QWidget*) override { return dataExchange && dataExchange(); }
};
