#pragma once
// "Logbook": the machine's ECU transfers, newest last, with a note field for
// the selected entry, Restore (its data back into the ECU with the backup,
// write and verify sequence) and Open (its data into the edited calibration).
#include <QDialog>

#include <functional>
#include <vector>

#include "ecu/Logbook.h"

class BlockWriteStop;
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
    // Set: a close while Restore writes to the ECU is held for its question
    // whether to stop the write, and the window closes when one was agreed to.
    BlockWriteStop* writeStop = nullptr;

    // Reads the logbook again, keeping the selected entry when it is still there.
    void Reload();
    int SelectedId() const;
    void reject() override;

    QTableWidget* table() const { return table_; }
    QLineEdit* noteEdit() const { return note_; }
    QPushButton* saveNoteButton() const { return saveNote_; }
    QPushButton* restoreButton() const { return restore_; }
    QPushButton* openButton() const { return open_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    bool HoldClose();
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
