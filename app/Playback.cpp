#include "app/Playback.h"

#include <algorithm>
#include <cmath>

#include "files/Datalog.h"
#include "app/OperatingTrail.h"

PlaybackItems MatchLogItems(const Datalog& log, const std::vector<DiagItem>& items, const OperatingPoint& point) {
    PlaybackItems matched;
    matched.columnOfItem.assign(items.size(), -1);
    std::vector<bool> used(log.columns.size(), false);
    for (std::size_t item = 0; item < items.size(); ++item) {
        const int column = FindDatalogColumn(log, items[item].name);
        if (column < 0) continue;   // none, or two columns of the name: neither is trusted
        used[static_cast<std::size_t>(column)] = true;
        std::string why;
        if (DatalogUnitAgrees(log.columns[static_cast<std::size_t>(column)], items[item].unit, why))
            matched.columnOfItem[item] = column;
        else
            matched.otherUnit.push_back(why);
    }
    for (std::size_t column = 0; column < log.columns.size(); ++column)
        if (!used[column]) matched.ignored.push_back(log.columns[column].name);
    auto has = [&matched](int item) {
        return item >= 0 && static_cast<std::size_t>(item) < matched.columnOfItem.size() &&
               matched.columnOfItem[static_cast<std::size_t>(item)] >= 0;
    };
    matched.hasRpm = has(point.rpm.item);
    matched.hasThrot = has(point.throt.item);
    return matched;
}

std::vector<std::optional<double>> RowItemValues(const Datalog& log, const PlaybackItems& matched,
                                                 std::size_t row) {
    std::vector<std::optional<double>> values(matched.columnOfItem.size());
    if (row >= log.Rows()) return values;
    for (std::size_t item = 0; item < values.size(); ++item) {
        const int column = matched.columnOfItem[item];
        if (column >= 0 && log.Has(row, static_cast<std::size_t>(column)))
            values[item] = log.Value(row, static_cast<std::size_t>(column));
    }
    return values;
}

std::vector<std::string> RowItemTexts(const Datalog& log, const PlaybackItems& matched, std::size_t row) {
    std::vector<std::string> texts(matched.columnOfItem.size());
    if (row >= log.Rows()) return texts;
    for (std::size_t item = 0; item < texts.size(); ++item) {
        const int column = matched.columnOfItem[item];
        if (column < 0 || !log.Has(row, static_cast<std::size_t>(column))) continue;
        const auto at = static_cast<std::size_t>(column);
        texts[item] = DatalogNumber(log.Value(row, at), log.columns[at].decimals);
    }
    return texts;
}

std::string PlaybackLoadNotes(const std::string& fileName, const Datalog& log, const PlaybackItems& matched) {
    std::string notes = "Read " + std::to_string(log.Rows()) + (log.Rows() == 1 ? " row" : " rows") + " of " +
                        fileName + ".";
    if (log.droppedPartialLine) notes += " The last line was cut off and left out.";
    for (const std::string& why : matched.otherUnit) notes += " Left out: " + why + ".";
    if (!matched.hasRpm && !matched.hasThrot)
        notes += " Neither the RPM item nor the THROT item is in the log: no operating point is shown.";
    else if (!matched.hasRpm)
        notes += " The RPM item is not in the log: no operating point is shown.";
    if (!matched.ignored.empty()) {
        notes += " Not monitor items of this machine:";
        for (std::size_t i = 0; i < matched.ignored.size(); ++i)
            notes += (i ? ", " : " ") + matched.ignored[i];
        notes += ".";
    }
    return notes;
}

std::string PlaybackTimeText(double time, double end) {
    return DatalogNumber(time, datalog::kTimeDecimals) + " s / " + DatalogNumber(end, datalog::kTimeDecimals) + " s";
}

Playback::Playback(Datalog log) : log_(std::move(log)) {
    if (log_.times.empty()) {
        // Callers refuse a log without rows; one row of no values keeps this safe.
        log_.times.push_back(0.0);
        log_.values.assign(log_.columns.size(), std::nan(""));
    }
    time_ = StartTime();
    row_ = RowAt(time_);
}

std::size_t Playback::RowAt(double time) const {
    const auto after = std::upper_bound(log_.times.begin(), log_.times.end(), time);
    if (after == log_.times.begin()) return 0;
    return static_cast<std::size_t>(after - log_.times.begin()) - 1;
}

void Playback::SeekTime(double time) {
    if (std::isnan(time)) return;
    time_ = std::clamp(time, StartTime(), EndTime());
    row_ = RowAt(time_);
}

void Playback::SeekRow(std::size_t row) {
    row_ = std::min(row, log_.times.size() - 1);
    time_ = log_.times[row_];
}

void Playback::StepRows(int delta) {
    long target = static_cast<long>(row_) + delta;
    // Between two rows, one back is the row shown.
    if (delta < 0 && time_ > log_.times[row_]) ++target;
    SeekRow(static_cast<std::size_t>(std::max(0L, target)));
}

void Playback::StepSeconds(double seconds) { SeekTime(time_ + seconds); }

void Playback::Apply(PlaybackKey key) {
    switch (key) {
    case PlaybackKey::kPlayPause: TogglePlay(); break;
    case PlaybackKey::kPreviousRow: StepRows(-1); break;
    case PlaybackKey::kNextRow: StepRows(1); break;
    case PlaybackKey::kPageForward: StepSeconds(playback::kPageSeconds); break;
    case PlaybackKey::kPageBack: StepSeconds(-playback::kPageSeconds); break;
    case PlaybackKey::kFirst: SeekRow(0); break;
    case PlaybackKey::kLast: SeekRow(log_.times.size() - 1); break;
    }
}

void Playback::Play() {
    if (time_ >= EndTime()) SeekRow(0);
    playing_ = true;
}

void Playback::SetSpeedIndex(std::size_t index) { speedIndex_ = std::min(index, playback::kSpeedCount - 1); }

void Playback::Advance(double wallSeconds) {
    if (!playing_ || !(wallSeconds > 0.0)) return;
    SeekTime(time_ + wallSeconds * Speed());
    if (time_ >= EndTime()) playing_ = false;
}

PlaybackFeed Playback::TakeFeed() {
    PlaybackFeed feed;
    if (fedRow_ && *fedRow_ == row_) return feed;
    const double span = OperatingTrail::kSpanSeconds;
    if (fedRow_ && *fedRow_ < row_ && log_.times[row_] - log_.times[*fedRow_] <= span) {
        feed.first = *fedRow_ + 1;
    } else {
        // Back, far ahead, or the first feed: the trail is drawn anew from
        // the row its span begins in, which also gives the values before it.
        feed.restart = true;
        feed.first = RowAt(log_.times[row_] - span);
    }
    feed.count = row_ - feed.first + 1;
    fedRow_ = row_;
    return feed;
}
