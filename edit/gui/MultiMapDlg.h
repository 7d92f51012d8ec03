#pragma once
// "Multi Map Edit": the maps #1..#4 to link and the link mode. OK stores the
// mode and the link list in the calibration; the caller refills the map
// selector from them.
#include <QDialog>
#include <array>

#include "edit/MultiMapEdit.h"

class QComboBox;
class QGroupBox;
class QPushButton;
class QRadioButton;
struct Calibration;
struct UserPrompt;

class CMultiMapDlg : public QDialog {
    Q_OBJECT
public:
    CMultiMapDlg(Calibration& calibration, UserPrompt& prompt, QWidget* parent = nullptr);

    QComboBox* mapList(int position) const { return lists_[static_cast<std::size_t>(position)]; }
    QRadioButton* allInOneChoice() const { return allInOne_; }
    QRadioButton* twoGroupsChoice() const { return twoGroups_; }
    QGroupBox* modeGroup() const { return group_; }
    QPushButton* okButton() const { return ok_; }
    QPushButton* cancelButton() const { return cancel_; }
    QPushButton* individualButton() const { return individual_; }

    void accept() override;

private:
    LinkChoice Choice() const;
    void UpdateRules();
    void OnIndividualEdit();
    void Warn(int message);

    Calibration& calibration_;
    UserPrompt& prompt_;
    std::array<QComboBox*, 4> lists_{};
    QGroupBox* group_;
    QRadioButton* allInOne_;
    QRadioButton* twoGroups_;
    QPushButton* ok_;
    QPushButton* cancel_;
    QPushButton* individual_;
};
