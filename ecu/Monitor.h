#pragma once
// The live monitor: up to 30 diagnostic items shown in the monitor window and
// up to 3 for the status bar, asked from the ECU one at a time by a small
// request/answer state machine that advances once per 100 ms link-timer tick
// (PollTick, installed as the link's monitor hook). Windows read the rows and
// the button text from here; rvtune drives the same object headless.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "model/DiagItem.h"
#include "model/DiagValue.h"

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
constexpr const char* kWindowTitle = "Monitor";
// Start while a recorded log plays back in the rows.
constexpr const char* kPlaybackRefusal =
    "A recorded log is playing back in the monitor.\nClose the playback before starting the monitor.";
constexpr int kRefusedForPlayback = -1;
// After an answer a recording missed, the line is read until it is quiet,
// at most this many bytes (an ECU that babbles without end).
constexpr std::size_t kDrainMax = 2048;
}  // namespace monitor

// One row of a recording: per entry of the dialog list, in its order, the
// raw answer, or none when no whole answer came in time (or the entry names
// no item).
using RecordedRaws = std::vector<std::optional<std::uint16_t>>;

// The value text of an item: offset + raw * factor in single precision; with
// one decimal while the whole part (sign included) has fewer than 6
// characters, else the whole part alone, cut and not rounded.
std::string FormatValue(const DiagItem& item, std::uint16_t raw);

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
    // shown (1518, 1524, 1542, or kRefusedForPlayback while a log plays back).
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

    // A recorded log played back: its values (by item index, "" for none)
    // at time seconds stand in the rows in place of the answers, live, and
    // the monitor cannot start until the playback ends.
    void ShowPlayback(double time, std::vector<std::string> valuesByItem);
    void EndPlayback();
    bool PlayingBack() const { return playingBack_; }
    double PlaybackTime() const { return playbackTime_; }

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

    // Recording at line speed (ecu/MonitorRecording.cpp). While recording,
    // the link timer's tick asks nothing; each RecordStep asks the next
    // entry of the dialog list and waits for its answer, so the items go
    // back to back as fast as the line carries them, and the rows of the
    // window show the answers as before. Starting forgets a request of the
    // tick poll still awaiting its answer, and drops its answer when it
    // comes. false when the port is closed or the list is empty.
    bool StartRecording();
    // Ends a recording the caller started; the tick poll goes on.
    void StopRecording();
    bool Recording() const { return recording_; }
    // One request and its answer. true when the recording moved on to the
    // next entry; false when it could not now (not recording, an exchange
    // runs, the port closed: the recording then ends).
    bool RecordStep();
    // The least time from one request of a recording to the next; zero (the
    // default) sends each as soon as the answer before it is in.
    void SetRequestGap(std::chrono::microseconds gap) { requestGap_ = gap; }
    std::chrono::microseconds RequestGap() const { return requestGap_; }
    // Every whole round of the list while recording.
    std::function<void(const RecordedRaws& row)> onRecordRow;
    // The monitor ended a recording itself: Stop, a new dialog list, the
    // port closed under it.
    std::function<void()> onRecordingEnded;
    // The clock and the pause of the request gap; tests replace them.
    std::function<std::chrono::steady_clock::time_point()> clock;
    std::function<void(std::chrono::steady_clock::duration)> pause;

private:
    bool ItemCurrent() const { return current_ >= 0; }
    // Forgets the awaited item and gives the comm lock back.
    void ForgetCurrent();
    void FinishCurrent();
    // text for the entry at the poll position; answered: it is a value.
    void SetRowValue(const std::string& text, bool answered);
    int ShowStartMessage(int code);
    int RefuseForPlayback();
    // Every row value is stale from here on, and the round starts anew.
    void MarkAllStale();
    // Recording.
    void EndRecording(bool tell);
    void DrainLateAnswer();
    void WaitRequestGap();
    // The value of dialog row row became text (answered: a value).
    void ShowRecorded(std::size_t row, const std::string& text, bool answered);
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
    bool playingBack_ = false;
    double playbackTime_ = 0.0;
    std::vector<std::string> playbackValues_;   // by item index

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

    bool recording_ = false;
    std::size_t recordAt_ = 0;     // the entry of the dialog list asked next
    RecordedRaws recordRow_;
    bool drainFirst_ = false;      // an answer may still be on its way
    std::chrono::microseconds requestGap_{0};
    std::optional<std::chrono::steady_clock::time_point> lastRequestAt_;
};
