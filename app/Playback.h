#pragma once
// A recorded ride played back: which monitor item each column of the log
// gives, and the time shown on the log's own clock (its time_s), moved by
// playing at a speed, by a drag, or a row or a page at a time. The row shown
// is the last row at or before that time. What the operating trail must be
// fed to follow the time comes out as a range of rows, so the trail behind
// the point is the one the ride drew.
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "files/DatalogReader.h"
#include "model/DiagItem.h"
#include "app/OperatingPoint.h"

namespace playback {
constexpr double kSpeeds[] = {0.25, 0.5, 1.0, 2.0, 4.0, 8.0};
constexpr std::size_t kSpeedCount = sizeof kSpeeds / sizeof kSpeeds[0];
constexpr std::size_t kNormalSpeed = 2;   // 1x
// PageUp and PageDown move the time this far.
constexpr double kPageSeconds = 10.0;
}  // namespace playback

// What the timeline's keys do: Space plays or pauses, Left and Right step
// a row, PageUp and PageDown ten seconds (on and back), Home and End go to
// the first and last row.
enum class PlaybackKey { kPlayPause, kPreviousRow, kNextRow, kPageForward, kPageBack, kFirst, kLast };

// The log's columns matched to the machine's monitor items by name (the
// NAME of "NAME [UNIT]", exactly as the definition spells it).
struct PlaybackItems {
    std::vector<int> columnOfItem;      // per monitor item: its column in the log, -1 none
    std::vector<std::string> ignored;   // columns naming no monitor item (or named twice)
    std::vector<std::string> otherUnit; // why a column of an item's name was left out: its unit differs
    bool hasRpm = false;                // the operating point's RPM item has a column
    bool hasThrot = false;
};
PlaybackItems MatchLogItems(const Datalog& log, const std::vector<DiagItem>& items, const OperatingPoint& point);

// The values of row by monitor item: nullopt where the item has no column
// or the field was empty.
std::vector<std::optional<double>> RowItemValues(const Datalog& log, const PlaybackItems& matched,
                                                 std::size_t row);
// The same as the monitor window shows them: with the decimals of the log's
// column, "" where there is no value.
std::vector<std::string> RowItemTexts(const Datalog& log, const PlaybackItems& matched, std::size_t row);

// What the timeline's status line says of a log just opened: the rows
// read, a cut-off last line, the lack of both axis items (no operating
// point), the columns of no item of this machine.
std::string PlaybackLoadNotes(const std::string& fileName, const Datalog& log, const PlaybackItems& matched);

// "12.345 s / 95.000 s".
std::string PlaybackTimeText(double time, double end);

// The rows the trail takes to follow a move: first..last in order; restart
// when the trail must start over first (a move back, or forward by more
// than the trail's span). Nothing to feed when count is 0.
struct PlaybackFeed {
    bool restart = false;
    std::size_t first = 0;
    std::size_t count = 0;
};

class Playback {
public:
    // log must hold at least one row; it is kept as given.
    explicit Playback(Datalog log);

    const Datalog& Log() const { return log_; }
    double StartTime() const { return log_.times.front(); }
    double EndTime() const { return log_.times.back(); }
    double Time() const { return time_; }
    // The row shown: the last one at or before Time() (a step lands on its
    // row even among rows of the same time).
    std::size_t Row() const { return row_; }

    // Moves to time, held within the log.
    void SeekTime(double time);
    void SeekRow(std::size_t row);
    // delta rows from the row shown; back from between two rows goes to the
    // row shown first.
    void StepRows(int delta);
    void StepSeconds(double seconds);
    void Apply(PlaybackKey key);

    bool Playing() const { return playing_; }
    // Play at the end starts again from the first row.
    void Play();
    void Pause() { playing_ = false; }
    void TogglePlay() { playing_ ? Pause() : Play(); }
    std::size_t SpeedIndex() const { return speedIndex_; }
    void SetSpeedIndex(std::size_t index);
    double Speed() const { return playback::kSpeeds[speedIndex_]; }
    // wallSeconds of real time went by: while playing the time moves Speed()
    // times as far, and the playback pauses at the end.
    void Advance(double wallSeconds);

    // The rows to feed since the last call (all up to the row shown at the
    // first call).
    PlaybackFeed TakeFeed();

private:
    // The last row at or before time.
    std::size_t RowAt(double time) const;

    Datalog log_;
    double time_ = 0.0;
    std::size_t row_ = 0;
    bool playing_ = false;
    std::size_t speedIndex_ = playback::kNormalSpeed;
    std::optional<std::size_t> fedRow_;
};
