#pragma once
// The dialog bar under the menus: the eleven tool buttons, the map selector
// ("La&bel"), the Line list, the "&ALL" box, the Data field with its OK
// button, the Point field and the machine name. It only shows and reports:
// the main frame fills the controls and acts on what the user does.
#include <QString>
#include <QToolBar>
#include <map>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

class CDialogBar : public QToolBar {
    Q_OBJECT
public:
    explicit CDialogBar(QWidget* parent);

    QComboBox* mapSelector() const { return mapSelector_; }
    QComboBox* lineSelector() const { return lineSelector_; }
    QCheckBox* allBox() const { return allBox_; }
    QLineEdit* dataField() const { return dataField_; }
    QLineEdit* pointField() const { return pointField_; }
    QPushButton* okButton() const { return okButton_; }
    // The units of the DATA and RPM items after their fields; empty for an
    // item without one.
    void SetUnits(const QString& dataUnit, const QString& pointUnit);
    QLabel* dataUnit() const { return dataUnit_; }
    QLabel* pointUnit() const { return pointUnit_; }
    // The tool button of a command; nullptr for a command without one.
    QToolButton* toolButton(int id) const;
    const std::map<int, QToolButton*>& toolButtons() const { return buttons_; }

    // The machine name at the right end (control 1206).
    void SetMachineName(const QString& name);
    QString MachineName() const;
    // The ALL box and the value fields belong to an open document.
    void ShowDocumentControls(bool shown);
    // No lines, empty fields, ALL unchecked.
    void Clear();

signals:
    // A tool button, the ALL box or OK: the command of the same id.
    void commandRequested(int id);
    // The user chose an entry of the map selector or the Line list.
    void mapActivated(int index);
    void lineActivated(int index);

private:
    QComboBox* mapSelector_;
    QComboBox* lineSelector_;
    QCheckBox* allBox_;
    QLineEdit* dataField_;
    QLineEdit* pointField_;
    QLabel* dataUnit_;
    QLabel* pointUnit_;
    QPushButton* okButton_;
    QLabel* machineLabel_;
    std::map<int, QToolButton*> buttons_;
    std::vector<QWidget*> documentControls_;
};
