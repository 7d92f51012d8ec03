#pragma once
// "Logbook": the machine's ECU transfers, newest last, with a note field for
// the selected entry, Restore (its data back into the ECU with the backup,
// write and verify sequence) and Open (its data into the edited calibration).
#include <QDialog>

#include <functional>
#include <vector>

#include "ecu/Logbook.h"

class QLineEdit;
class QPushButton;
class QTableWidget;

class CLogbookDlg : public QDialog {
    Q_OBJECT
public:
    explicit CLogbookDlg(Logbook& book, QWidget* parent = nullptr);

    // The frame's actions on an entry with data; may be empty (the button is
    // then disabled). Each returns whether it did its work.
    std::function<bool(const LogEntry& entry)> restore;
    std::function<bool(const LogEntry& entry)> open;

    // Reads the logbook again, keeping the selected entry when it is still there.
    void Reload();
    int SelectedId() const;

    QTableWidget* table() const { return table_; }
    QLineEdit* noteEdit() const { return note_; }
    QPushButton* saveNoteButton() const { return saveNote_; }
    QPushButton* restoreButton() const { return restore_; }
    QPushButton* openButton() const { return open_; }

private:
    void UpdateButtons();
    const LogEntry* Selected() const;

    Logbook& book_;
    std::vector<LogEntry> entries_;
    QTableWidget* table_;
    QLineEdit* note_;
    QPushButton* saveNote_;
    QPushButton* restore_;
    QPushButton* open_;
};
