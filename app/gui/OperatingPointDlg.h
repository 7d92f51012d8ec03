#pragma once
// "Operating point": which monitor item gives the engine speed for the RPM
// axis of the maps and which the throttle for their THROT axis. Each combo
// box starts with "(automatic)", the item found by its name and unit; then
// every monitor item in definition order. OK leaves the choice in RpmItem()
// and ThrotItem(); the caller saves it.
#include <QDialog>
#include <vector>

#include "model/DiagItem.h"
#include "app/OperatingPoint.h"

class QComboBox;
class QPushButton;

namespace operatingpointdlg {
constexpr const char* kTitle = "Operating point";
constexpr const char* kAutomatic = "(automatic)";
}  // namespace operatingpointdlg

class COperatingPointDlg : public QDialog {
    Q_OBJECT
public:
    // point: what the settings say now (an axis the settings leave to the
    // default shows "(automatic)").
    COperatingPointDlg(const std::vector<DiagItem>& items, const OperatingPoint& point, QWidget* parent = nullptr);

    // The chosen item's index, -1 for "(automatic)".
    int RpmItem() const;
    int ThrotItem() const;

    QComboBox* rpmBox() const { return rpm_; }
    QComboBox* throtBox() const { return throt_; }
    QPushButton* okButton() const { return ok_; }
    QPushButton* cancelButton() const { return cancel_; }

private:
    QComboBox* rpm_;
    QComboBox* throt_;
    QPushButton* ok_;
    QPushButton* cancel_;
};
