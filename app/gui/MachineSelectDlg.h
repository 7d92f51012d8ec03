#pragma once
// The Machine Select dialog: the machines of the machine list, one to choose.
#include <QDialog>
#include <vector>

#include "config/MachineList.h"

class CQelApp;
class QListWidget;
class QPushButton;
class UserPrompt;

class CMachineSelectDlg : public QDialog {
    Q_OBJECT
public:
    // Result code of exec() when the user chose to end the program.
    static constexpr int kExitProgram = 2;

    CMachineSelectDlg(CQelApp& app, UserPrompt& prompt, QWidget* parent = nullptr);

    QListWidget* machineList() const { return list_; }
    QPushButton* okButton() const { return ok_; }
    QPushButton* cancelButton() const { return cancel_; }

    void accept() override;
    void reject() override;

private:
    void Apply(MachineSelectStep step);

    CQelApp& app_;
    UserPrompt& prompt_;
    std::vector<MachineEntry> entries_;
    QListWidget* list_;
    QPushButton* ok_;
    QPushButton* cancel_;
};
