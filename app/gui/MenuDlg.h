#pragma once
// The Menu dialog: the map to edit, chosen from the groups of the settings
// file's "MAP LIST", and the way on to the constants list, the data
// exchange, the multi map edit, or out of the program.
#include <QDialog>

#include "app/FrameModel.h"

class CQelApp;
class QListWidget;
class QPushButton;
class UserPrompt;

// What the dialog's buttons ask of the main frame.
struct MenuDlgHost {
    virtual ~MenuDlgHost() = default;
    virtual void ConstantsList() = 0;
    virtual void DataExchange() = 0;
    virtual void RefillMapSelector() = 0;
    // The Multi Map Edit dialog; true for OK (a new link list is in force).
    virtual bool MultiMapEdit() = 0;
    // Window close of the main frame, run once the dialog has ended.
    virtual void RequestClose() = 0;
};

class CMenuDlg : public QDialog {
    Q_OBJECT
public:
    // exec() results besides Accepted and Rejected.
    static constexpr int kExitCommand = 57665;

    CMenuDlg(CQelApp& app, UserPrompt& prompt, MenuDlgHost& host, QWidget* parent = nullptr);

    // The chosen map's index in the application's map list (after OK).
    int ChosenMap() const { return chosen_; }

    QListWidget* groupList() const { return groups_; }
    QListWidget* mapList() const { return maps_; }
    QPushButton* okButton() const { return ok_; }
    QPushButton* cancelButton() const { return cancel_; }
    QPushButton* exitButton() const { return exit_; }
    QPushButton* constantsButton() const { return constants_; }
    QPushButton* exchangeButton() const { return exchange_; }
    QPushButton* multiMapButton() const { return multiMap_; }

    void accept() override;

private:
    void FillMaps();
    void OnExit();
    void OnMultiMapEdit();

    CQelApp& app_;
    UserPrompt& prompt_;
    MenuDlgHost& host_;
    MapGroups mapGroups_;
    int chosen_ = -1;
    QListWidget* groups_;
    QListWidget* maps_;
    QPushButton* constants_;
    QPushButton* exchange_;
    QPushButton* multiMap_;
    QPushButton* exit_;
    QPushButton* ok_;
    QPushButton* cancel_;
};
