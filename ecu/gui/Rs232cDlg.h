#pragma once
// The "RS232C Parameter" dialog: a radio group for every line setting and
// the port, of which only the port group is shown (the line settings come
// from the settings file). The choices and the OK rule are the core's
// Rs232cDialog; OK without a choice in every group is refused.
#include <QDialog>
#include <map>

#include "ecu/Rs232cParams.h"

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QPushButton;
class QRadioButton;
struct UserPrompt;

class CRs232cDlg : public QDialog {
    Q_OBJECT
public:
    CRs232cDlg(Rs232cDialog& model, UserPrompt& prompt, QWidget* parent = nullptr);

    // The codes after OK.
    const SerialCodes& Result() const { return result_; }

    // A radio button by its control id (1071 .. 1101), or nullptr.
    QRadioButton* radio(int id) const;
    QGroupBox* group(Rs232cGroup group) const;
    QCheckBox* flowBox() const { return flow_; }
    QPushButton* okButton() const { return ok_; }
    QPushButton* cancelButton() const { return cancel_; }
    QPushButton* defaultButton() const { return default_; }

    void accept() override;

private:
    QButtonGroup* AddGroup(Rs232cGroup which, const char* title, const std::vector<std::pair<const char*, int>>& choices,
                           const std::vector<int>& codes);
    // The radios and the check box from codes.
    void Show(const SerialCodes& codes);
    // The codes the radios and the check box show.
    SerialCodes Read() const;

    Rs232cDialog& model_;
    UserPrompt& prompt_;
    SerialCodes result_;
    std::map<Rs232cGroup, QGroupBox*> groups_;
    std::map<Rs232cGroup, QButtonGroup*> buttonGroups_;
    std::map<int, QRadioButton*> radios_;
    QCheckBox* flow_;
    QPushButton* ok_;
    QPushButton* cancel_;
    QPushButton* default_;
};
