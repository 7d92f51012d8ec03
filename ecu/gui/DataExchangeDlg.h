#pragma once
// The "Data Exchange" window: Read, Write, Verify, Clear and Close over the
// exchange buffer, its hex view, the running report and the status line.
// The exchange itself (buffers, enabling, report lines, messages) is the
// core's DataExchange; the window shows what it holds and passes on what the
// user chose. It runs modally; during an ECU transfer its buttons are
// disabled while the protocol's waits keep it painted.
#include <QAbstractScrollArea>
#include <QDialog>
#include <QFont>
#include <functional>
#include <string>

#include "ecu/DataExchange.h"
#include "ecu/ExchangeChoice.h"

class BlockWriteStop;

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

// "Data Read", "Data Write" or "Data Verify": one radio button per choice,
// OK and Cancel.
class CExchangeChoiceDlg : public QDialog {
    Q_OBJECT
public:
    CExchangeChoiceDlg(const ExchangeChoice& choice, QWidget* parent = nullptr);

    // The code of the checked choice; -1 when none is.
    int Chosen() const;
    QRadioButton* choiceButton(int code) const;
    QPushButton* okButton() const { return ok_; }
    QPushButton* cancelButton() const { return cancel_; }

private:
    std::vector<QRadioButton*> choices_;
    QPushButton* ok_;
    QPushButton* cancel_;
};

// The exchange buffer as a hex dump: a header row, then ten rows of 16
// bytes, scrolled by rows (arrow keys, wheel, scroll bar) and by pages.
class CExchangeHexView : public QAbstractScrollArea {
    Q_OBJECT
public:
    CExchangeHexView(DataPane& pane, QWidget* parent = nullptr);

    // After the pane was filled or cleared: the scroll range, back to row 0.
    void Reset();
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }
    // The colour the bytes are drawn in: red for a partial read.
    QColor ByteColor() const;
    const QFont& ViewFont() const { return font_; }
    int RowHeight() const { return rowHeight_; }

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    DataPane& pane_;
    QFont font_;
    int rowHeight_ = 0;
    int addressWidth_ = 0;
    int byteWidth_ = 0;
};

class CDataExchangeDlg : public QDialog {
    Q_OBJECT
public:
    CDataExchangeDlg(DataExchange& exchange, QWidget* parent = nullptr);
    ~CDataExchangeDlg() override;

    // Replaceable for the tests: how a choice dialog runs (exec() unless
    // set) and the file dialog (the chosen path, "" for Cancel).
    std::function<int(CExchangeChoiceDlg&)> runChoice;
    std::function<std::string(const FileDialogSpec&)> fileDialog;
    // Write to edit data stored bytes in the image: the open windows repaint.
    std::function<void()> onDataTakenOver;
    // Disables the ECU choices (nothing sets it in this program).
    bool noEcu = false;
    // Set: a close during a write to the ECU is held for the question
    // whether to stop it; none: the close waits like any transfer.
    BlockWriteStop* writeStop = nullptr;

    const DataExchange& Exchange() const { return exchange_; }
    QPushButton* readButton() const { return read_; }
    QPushButton* writeButton() const { return write_; }
    QPushButton* verifyButton() const { return verify_; }
    QPushButton* clearButton() const { return clear_; }
    QPushButton* closeButton() const { return close_; }
    QLabel* statusLabel() const { return status_; }
    QLabel* titleLabel() const { return title_; }
    QPlainTextEdit* report() const { return report_; }
    CExchangeHexView* hexView() const { return hex_; }

    // Close (and Escape) wait while a transfer runs; during a write to the
    // ECU they are held for writeStop's question.
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void OnRead();
    void OnWrite();
    void OnVerify();
    void OnClear();
    // The choice of a dialog; -1 for Cancel.
    int Choose(ExchangeAction action);
    FileChooser MakeFileChooser();
    // Shows what the exchange holds: buttons, title, status, report, view.
    void Refresh(bool paneChanged);
    // true when the close must wait for the transfer.
    bool HoldClose();

    DataExchange& exchange_;
    QPushButton* read_;
    QPushButton* write_;
    QPushButton* verify_;
    QPushButton* clear_;
    QPushButton* close_;
    QLabel* status_;
    QLabel* title_;
    CExchangeHexView* hex_;
    QPlainTextEdit* report_;
};
