#pragma once
// "Edit Constants list": the listed "Calib" constants, 32 rows at a time,
// each with its name, its value (typed in as a physical value) and its
// unit, over a copy of the image the caller hands in and copies back only
// after OK. The rules live in edit/ConstantsList; this is the window.
#include <QDialog>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "edit/ConstantsList.h"
#include "model/DataSpan.h"
#include "model/Image.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QScrollBar;
struct UserPrompt;

class CConstantsDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kRows = 32;

    // Shift+Enter: the committed raw bytes of a constant at address go into
    // the live image and to the ECU as well. May be empty: no live writes.
    using LiveWrite = std::function<void(std::uint16_t address, const std::vector<std::uint8_t>& bytes)>;

    // kept: the bytes the calibration file keeps; a value for a constant
    // outside them is refused. Unset, every byte is kept.
    CConstantsDlg(const LineStore& definition, Image& buffer, UserPrompt& prompt, LiveWrite liveWrite = {},
                  std::optional<DataSpan> kept = std::nullopt, QWidget* parent = nullptr);

    // The number of listed constants; the dialog is not shown without one.
    int ConstantCount() const { return static_cast<int>(list_.size()); }
    int TopIndex() const { return top_; }
    Image& Buffer() { return buffer_; }

    QLineEdit* valueField(int row) const { return values_[static_cast<std::size_t>(row)]; }
    QLabel* contentsLabel(int row) const { return contents_[static_cast<std::size_t>(row)]; }
    QLabel* unitLabel(int row) const { return units_[static_cast<std::size_t>(row)]; }
    QScrollBar* scrollBar() const { return scroll_; }
    QPushButton* okButton() const { return ok_; }
    QPushButton* cancelButton() const { return cancel_; }

    // OK takes a value still being typed, as leaving the field would.
    void accept() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void FillRows();
    void FillRow(int row);
    int RowOf(QObject* field) const;
    const ConstantEntry* EntryAt(int row) const;
    // The typed text of row, when it was edited; false after a refusal.
    bool CommitValue(int row);
    void StepRaw(int row, bool up);
    void WriteLive(int row);
    void MoveRow(int row, int direction);
    void ScrollTo(int top);
    void CommitPending();
    void Show(const ConstantCommit& commit);
    // A constant the file does not keep: the refusal shown, the stored value
    // back in the field, true.
    bool RefusedOutsideData(int row, const ConstantEntry& entry);

    std::vector<ConstantEntry> list_;
    Image& buffer_;
    UserPrompt& prompt_;
    LiveWrite liveWrite_;
    std::optional<DataSpan> kept_;
    int top_ = 0;
    int lastFocused_ = 0;
    bool committing_ = false;   // a commit's message box is open
    std::array<QLabel*, kRows> contents_{};
    std::array<QLineEdit*, kRows> values_{};
    std::array<QLabel*, kRows> units_{};
    QScrollBar* scroll_;
    QPushButton* ok_;
    QPushButton* cancel_;
};
