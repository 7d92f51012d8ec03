#include "ecu/Monitor.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <thread>

#include "model/Strings.h"
#include "ecu/EcuProtocol.h"
#include "ecu/SerialLink.h"
#include "platform/UserPrompt.h"

std::string FormatValue(const DiagItem& item, std::uint16_t raw) {
    const float value = DiagValue(item, raw);
    // A float's whole part has at most 39 digits.
    char text[64];
    std::snprintf(text, sizeof text, "%.8f", static_cast<double>(value));
    const std::string full = text;
    const std::string whole = full.substr(0, full.find('.'));
    if (whole.size() >= 6) return whole;
    std::snprintf(text, sizeof text, "%.1f", static_cast<double>(value));
    return text;
}

void MonitorItemList::Assign(const std::vector<std::uint8_t>& entries) {
    entries_.assign(entries.begin(), entries.begin() + static_cast<long>(std::min(entries.size(), capacity_)));
}

int MonitorItemList::Add(std::uint8_t item, int before) {
    if (!CanAdd()) return -1;
    std::size_t at = before < 0 ? entries_.size() : std::min(static_cast<std::size_t>(before), entries_.size());
    const auto old = std::find(entries_.begin(), entries_.end(), item);
    if (old != entries_.end()) {
        const auto oldAt = static_cast<std::size_t>(old - entries_.begin());
        entries_.erase(old);
        if (oldAt < at) --at;
    }
    entries_.insert(entries_.begin() + static_cast<long>(at), item);
    return static_cast<int>(at);
}

bool MonitorItemList::Remove(std::size_t position) {
    if (position >= entries_.size()) return false;
    entries_.erase(entries_.begin() + static_cast<long>(position));
    return true;
}

Monitor::Monitor(const std::vector<DiagItem>& items, SerialLink& link, EcuProtocol& protocol,
                 UserPrompt& prompt)
    : clock([] { return std::chrono::steady_clock::now(); }),
      pause([](std::chrono::steady_clock::duration wait) { std::this_thread::sleep_for(wait); }),
      items_(items),
      link_(link),
      protocol_(protocol),
      prompt_(prompt) {
    link_.monitorHook = [this] { PollTick(); };
}

Monitor::~Monitor() {
    link_.monitorHook = nullptr;
    ForgetCurrent();
}

void Monitor::ForgetCurrent() {
    current_ = -1;
    answerCount_ = 0;
    if (lockHeld_) {
        lockHeld_ = false;
        link_.Unlock();
    }
}

void Monitor::SetRowValue(const std::string& text, bool answered) {
    if (answered) ++answersRead_;
    const std::size_t statusCount = statusBarList_.Size();
    if (position_ >= statusCount) {
        const std::size_t row = position_ - statusCount;
        if (windowShown_ && row < rowValues_.size()) {
            rowValues_[row] = text;
            rowAnsweredAt_[row] = answered ? tick_ : kNever;
        }
    }
    if (onValue) onValue(position_, text);
}

void Monitor::MarkAllStale() {
    rowAnsweredAt_.assign(rowValues_.size(), kNever);
    roundStartTick_ = tick_;
    lastRoundTicks_ = 0;
    roundWhole_ = false;
}

long Monitor::NominalRoundTicks() const {
    long ticks = 1;
    auto add = [&](std::uint8_t entry) {
        if (entry >= items_.size()) ticks += 1;   // passed over
        else ticks += items_[entry].answerLength == 2 ? 3 : 2;
    };
    for (const std::uint8_t entry : statusBarList_.Entries()) add(entry);
    if (windowShown_)
        for (const std::uint8_t entry : dialogList_.Entries()) add(entry);
    return ticks;
}

void Monitor::FinishCurrent() {
    ForgetCurrent();
    ++position_;
}

void Monitor::PollTick() {
    if (!link_.portOpen) return;
    ++tick_;
    // A recording asks as fast as the line goes, from RecordStep.
    if (recording_) return;

    if (ItemCurrent()) {
        if (static_cast<std::size_t>(current_) >= items_.size()) {
            // The items were rebuilt (another data file) while an answer was due.
            FinishCurrent();
            return;
        }
        const DiagItem& item = items_[static_cast<std::size_t>(current_)];
        const int needed = item.answerLength == 2 ? 2 : 1;
        std::size_t count = 0;
        const bool ok = link_.ReadBytes(&answer_[answerCount_], 1, count, monitor::kLogLabel);
        if (ok && count == 1 && ++answerCount_ >= needed) {
            link_.silenceCountdown = monitor::kAnswerTicks;
            // The ECU sends the high byte first.
            const auto raw = static_cast<std::uint16_t>(needed == 2 ? answer_[0] << 8 | answer_[1] : answer_[0]);
            SetRowValue(FormatValue(item, raw), true);
            FinishCurrent();
            return;
        }
        if (link_.silenceCountdown <= 0 || !ok) {
            link_.ClearError();
            SetRowValue(monitor::kError, false);
            FinishCurrent();
        }
        return;
    }

    if (link_.exchangeBusy) {
        // What the rows hold is not renewed while the exchange runs.
        MarkAllStale();
        link_.monitorActive = false;
        return;
    }
    link_.monitorActive = true;
    const std::size_t statusCount = statusBarList_.Size();
    std::uint8_t entry = 0;
    if (position_ < statusCount) {
        entry = statusBarList_.Entries()[position_];
    } else if (windowShown_ && position_ < statusCount + dialogList_.Size()) {
        entry = dialogList_.Entries()[position_ - statusCount];
    } else {
        position_ = 0;
        if (roundWhole_) lastRoundTicks_ = tick_ - roundStartTick_;
        roundStartTick_ = tick_;
        roundWhole_ = true;
        if (onCycle) onCycle();
        return;
    }
    // An entry naming no item (a definition with fewer items than the stored
    // lists) is passed over, so the items after it are still asked for.
    if (entry >= items_.size()) {
        ++position_;
        return;
    }
    current_ = entry;
    answerCount_ = 0;
    link_.Lock();
    lockHeld_ = true;
    // Whatever is in the input now answers no request of this one: an
    // answer that came after its item had given up, or a stray byte. Read
    // as this answer it would put every later answer one byte off, for good.
    // Dropped at once, so the poll's tick does not wait a read time-out.
    link_.ClearError();
    const std::uint8_t request = items_[entry].request;
    std::size_t written = 0;
    link_.WriteBytes(&request, 1, written, monitor::kLogLabel);
    link_.silenceCountdown = monitor::kAnswerTicks;
}

int Monitor::ShowStartMessage(int code) {
    if (code != 0) prompt_.Message(protocol_.CodeText(code), Str(str::kCaptionRs232c), PromptIcon::kExclamation);
    return code;
}

int Monitor::StartFromMenu() {
    if (link_.portOpen) return 0;
    if (playingBack_) return RefuseForPlayback();
    if (const int code = protocol_.CheckEcu(false); code != 0) return ShowStartMessage(code);
    ForgetCurrent();
    position_ = 0;
    MarkAllStale();
    roundWhole_ = true;
    if (!link_.OpenPort(true)) return ShowStartMessage(str::kPortOpenFailed);
    return 0;
}

int Monitor::RefuseForPlayback() {
    prompt_.Message(monitor::kPlaybackRefusal, monitor::kWindowTitle, PromptIcon::kExclamation);
    return monitor::kRefusedForPlayback;
}

int Monitor::StartFromButton() {
    if (playingBack_) return RefuseForPlayback();
    ForgetCurrent();
    position_ = 0;
    MarkAllStale();
    roundWhole_ = true;
    if (!link_.OpenPort(true)) return ShowStartMessage(str::kPortOpenFailed);
    if (const int code = protocol_.CheckEcu(false); code != 0) {
        link_.ClosePort();
        return ShowStartMessage(code);
    }
    return 0;
}

void Monitor::Stop() {
    EndRecording(true);
    if (link_.portOpen) {
        const int calls = std::max(1, static_cast<int>(link_.silenceCountdown));
        for (int call = 0; call < calls && ItemCurrent(); ++call) PollTick();
        ForgetCurrent();
        // An answer that came late or longer than its item says would be
        // read as the identification of whoever opens the line next.
        link_.ClearError();
        link_.ClosePort();
    }
    ForgetCurrent();
    MarkAllStale();
}

bool Monitor::Running() const { return link_.portOpen; }

void Monitor::OpenWindow() {
    windowShown_ = true;
    rowValues_.assign(dialogList_.Size(), std::string());
    MarkAllStale();
}

std::vector<MonitorRow> Monitor::Rows() const {
    const bool polling = link_.portOpen && !link_.exchangeBusy;
    // An answer is renewed one round after it came; a round as long as the
    // last one is no sign of trouble (an item that never answers makes every
    // round longer).
    const long allowedAge = std::max(NominalRoundTicks(), lastRoundTicks_);
    std::vector<MonitorRow> rows;
    for (std::size_t row = 0; row < dialogList_.Size(); ++row) {
        const std::uint8_t index = dialogList_.Entries()[row];
        MonitorRow out;
        if (index < items_.size()) {
            out.name = items_[index].name;
            out.unit = items_[index].unit;
        }
        if (playingBack_) {
            if (index < playbackValues_.size()) out.value = playbackValues_[index];
            out.live = true;
        } else if (row < rowValues_.size()) {
            out.value = rowValues_[row];
            out.live = polling && rowAnsweredAt_[row] != kNever && tick_ - rowAnsweredAt_[row] <= allowedAge;
        }
        rows.push_back(std::move(out));
    }
    return rows;
}

void Monitor::ShowPlayback(double time, std::vector<std::string> valuesByItem) {
    playingBack_ = true;
    playbackTime_ = time;
    playbackValues_ = std::move(valuesByItem);
}

void Monitor::EndPlayback() {
    playingBack_ = false;
    playbackTime_ = 0.0;
    playbackValues_.clear();
}

void Monitor::SetDialogList(const std::vector<std::uint8_t>& entries) {
    // The rows of a log keep the columns its header names.
    EndRecording(true);
    dialogList_.Assign(entries);
    rowValues_.assign(dialogList_.Size(), std::string());
    MarkAllStale();
}

void Monitor::SetStatusBarList(const std::vector<std::uint8_t>& entries) { statusBarList_.Assign(entries); }
