#pragma once
// The live monitor: up to 30 diagnostic items shown in the monitor window and
// up to 3 for the status bar, asked from the ECU one at a time by a small
// request/answer state machine that advances once per 100 ms link-timer tick
// (PollTick, installed as the link's monitor hook). Windows read the rows and
// the button text from here; rvtune drives the same object headless.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "model/DiagItem.h"

class EcuProtocol;
class SerialLink;
struct UserPrompt;

namespace monitor {
constexpr std::size_t kDialogMax = 30;
constexpr std::size_t kStatusBarMax = 3;
// Ticks an item may take to answer; also the countdown after each answer.
constexpr int kAnswerTicks = 10;
constexpr const char* kLogLabel = "Monitor";
constexpr const char* kError = "Error";
constexpr const char* kStartText = "St&art";
constexpr const char* kStopText = "St&op";
}  // namespace monitor

// The value text of an item: offset + raw * factor in single precision; with
// one decimal while the whole part (sign included) has fewer than 6
// characters, else the whole part alone, cut and not rounded.
std::string FormatValue(const DiagItem& item, std::uint16_t raw);
// A decimal number at the start of text, as the C library reads one; 0 when
// there is none or it is not finite. Independent of the locale.
float ParseDecimalReal(const std::string& text);

// An ordered list of item indices with a capacity, edited as the item set
// dialog edits it.
class MonitorItemList {
public:
    explicit MonitorItemList(std::size_t capacity) : capacity_(capacity) {}

    const std::vector<std::uint8_t>& Entries() const { return entries_; }
    std::size_t Size() const { return entries_.size(); }
    std::size_t Capacity() const { return capacity_; }
    bool CanAdd() const { return entries_.size() < capacity_; }
    // Replaces the list, cut to the capacity.
    void Assign(const std::vector<std::uint8_t>& entries);
    // Inserts item before position before (appends when before is negative or
    // past the end) and removes its other occurrence, so an item already
    // listed moves. Returns the new entry's position, or -1 when the list is
    // full (moving included, as the dialog's add button is then disabled).
    int Add(std::uint8_t item, int before = -1);
    bool Remove(std::size_t position);

private:
    std::size_t capacity_;
    std::vector<std::uint8_t> entries_;
};

struct MonitorRow {
    std::string name;
    std::string value;   // empty until the first answer; "Error" after a failed one
    std::string unit;
    // The value is an answer of the running poll and as young as one round
    // of the list. Everything else is stale: no answer yet, "Error", the
    // poll stopped or stood aside for an exchange since the answer, or an
    // answer the poll should have renewed by now (the line went quiet).
    bool live = false;
};

class Monitor {
public:
    // items: the machine's monitor items, as the definition lists them.
    Monitor(const std::vector<DiagItem>& items, SerialLink& link, EcuProtocol& protocol, UserPrompt& prompt);
    ~Monitor();   // removes the hook
    Monitor(const Monitor&) = delete;
    Monitor& operator=(const Monitor&) = delete;

    // One step of the poll state machine; does nothing while the port is closed.
    void PollTick();

    // Start from the menu: nothing when the port is open; identify, then open
    // the port with the link timer. Start from the window's button: open, then
    // identify, closing again on failure. 0, or the code whose message was
    // shown (1518, 1524, 1542).
    int StartFromMenu();
    int StartFromButton();
    // Lets an outstanding answer arrive, then closes the port.
    void Stop();
    bool Running() const;
    std::string ButtonText() const { return Running() ? monitor::kStopText : monitor::kStartText; }

    // The monitor window: opening gives every row its name and unit and
    // empties the values; the dialog list is polled only while it is shown.
    void OpenWindow();
    void CloseWindow() { windowShown_ = false; }
    bool WindowShown() const { return windowShown_; }
    std::vector<MonitorRow> Rows() const;

    // The item lists. Changing the dialog list empties the row values.
    const MonitorItemList& DialogList() const { return dialogList_; }
    const MonitorItemList& StatusBarList() const { return statusBarList_; }
    void SetDialogList(const std::vector<std::uint8_t>& entries);
    void SetStatusBarList(const std::vector<std::uint8_t>& entries);

    // Every completed answer, for the status bar and for rvtune: the list
    // position (status-bar entries first, then dialog rows) and the value text.
    std::function<void(std::size_t position, const std::string& text)> onValue;
    // The poll went round all lists and starts again at the first entry.
    std::function<void()> onCycle;
    // Answers completed since the monitor was made, of every list.
    std::size_t AnswersRead() const { return answersRead_; }

private:
    bool ItemCurrent() const { return current_ >= 0; }
    // Forgets the awaited item and gives the comm lock back.
    void ForgetCurrent();
    void FinishCurrent();
    // text for the entry at the poll position; answered: it is a value.
    void SetRowValue(const std::string& text, bool answered);
    int ShowStartMessage(int code);
    // Every row value is stale from here on, and the round starts anew.
    void MarkAllStale();
    // Ticks one round takes when every item answers in time: request and
    // answer bytes of each entry polled, and the tick that wraps round.
    long NominalRoundTicks() const;

    const std::vector<DiagItem>& items_;
    SerialLink& link_;
    EcuProtocol& protocol_;
    UserPrompt& prompt_;

    MonitorItemList dialogList_{monitor::kDialogMax};
    MonitorItemList statusBarList_{monitor::kStatusBarMax};
    std::vector<std::string> rowValues_;
    bool windowShown_ = false;

    std::size_t position_ = 0;   // into the status-bar list, then the dialog list
    int current_ = -1;           // the item awaiting its answer; -1 when idle
    std::uint8_t answer_[2] = {0, 0};
    int answerCount_ = 0;
    bool lockHeld_ = false;

    // Staleness, in ticks of PollTick while the port is open.
    static constexpr long kNever = -1;
    long tick_ = 0;
    std::vector<long> rowAnsweredAt_;   // per dialog row: the tick of its answer, or kNever
    long roundStartTick_ = 0;
    long lastRoundTicks_ = 0;           // the last round gone without a pause; 0 when unknown
    bool roundWhole_ = false;           // the round in progress began at a wrap or a start
    std::size_t answersRead_ = 0;
};
