// The monitor's recording: the items of the dialog list asked back to back,
// each request sent the moment the answer before it is in, one row per
// round of the list.
#include <algorithm>

#include "ecu/Monitor.h"
#include "ecu/SerialLink.h"

bool Monitor::StartRecording() {
    if (!link_.portOpen || dialogList_.Size() == 0) return false;
    // A request of the tick poll may still be answered: its bytes would
    // stand in front of the first answer of the recording.
    drainFirst_ = ItemCurrent();
    ForgetCurrent();
    recording_ = true;
    recordAt_ = 0;
    recordRow_.assign(dialogList_.Size(), std::nullopt);
    lastRequestAt_.reset();
    return true;
}

void Monitor::StopRecording() { EndRecording(false); }

void Monitor::EndRecording(bool tell) {
    if (!recording_) return;
    recording_ = false;
    recordAt_ = 0;
    recordRow_.clear();
    // The tick poll starts a fresh round; the values shown age from here.
    position_ = 0;
    MarkAllStale();
    if (tell && onRecordingEnded) onRecordingEnded();
}

void Monitor::ShowRecorded(std::size_t row, const std::string& text, bool answered) {
    if (answered) ++answersRead_;
    if (windowShown_ && row < rowValues_.size()) {
        rowValues_[row] = text;
        rowAnsweredAt_[row] = answered ? tick_ : kNever;
    }
    if (onValue) onValue(statusBarList_.Size() + row, text);
}

void Monitor::DrainLateAnswer() {
    // Read until a read time-out passes without a byte: an answer that
    // comes after its item gave up would otherwise be taken for the answer
    // of the next item, and every value after it would be one item off.
    std::uint8_t byte = 0;
    for (std::size_t n = 0; n < monitor::kDrainMax; ++n) {
        std::size_t count = 0;
        if (!link_.ReadBytes(&byte, 1, count, monitor::kLogLabel) || count == 0) break;
    }
    link_.ClearError();
}

void Monitor::WaitRequestGap() {
    const auto now = clock();
    if (requestGap_.count() > 0 && lastRequestAt_ && now < *lastRequestAt_ + requestGap_)
        pause(*lastRequestAt_ + requestGap_ - now);
    lastRequestAt_ = requestGap_.count() > 0 ? clock() : now;
}

bool Monitor::RecordStep() {
    if (!recording_) return false;
    if (!link_.portOpen) {
        EndRecording(true);
        return false;
    }
    if (link_.exchangeBusy) {
        // The exchange has the line; the row in progress goes on after it.
        MarkAllStale();
        link_.monitorActive = false;
        return false;
    }
    link_.monitorActive = true;
    const std::vector<std::uint8_t>& entries = dialogList_.Entries();
    if (recordRow_.size() != entries.size()) recordRow_.assign(entries.size(), std::nullopt);
    const std::uint8_t entry = entries[recordAt_];
    if (entry < items_.size()) {
        const DiagItem& item = items_[entry];
        const std::size_t needed = item.answerLength == 2 ? 2 : 1;
        link_.Lock();
        if (drainFirst_) DrainLateAnswer();
        drainFirst_ = false;
        WaitRequestGap();
        // As in the tick poll: what waits in the input answers nothing asked.
        link_.ClearError();
        std::size_t count = 0;
        std::uint8_t answer[2] = {0, 0};
        const bool sent = link_.WriteBytes(&item.request, 1, count, monitor::kLogLabel) && count == 1;
        count = 0;
        const bool read = sent && link_.ReadBytes(answer, needed, count, monitor::kLogLabel);
        if (read && count == needed) {
            // The ECU sends the high byte first.
            const auto raw = static_cast<std::uint16_t>(needed == 2 ? answer[0] << 8 | answer[1] : answer[0]);
            recordRow_[recordAt_] = raw;
            ShowRecorded(recordAt_, FormatValue(item, raw), true);
        } else {
            recordRow_[recordAt_] = std::nullopt;
            ShowRecorded(recordAt_, monitor::kError, false);
            if (read || sent) DrainLateAnswer();
            else link_.ClearError();
        }
        link_.Unlock();
    } else {
        recordRow_[recordAt_] = std::nullopt;
    }
    if (++recordAt_ < entries.size()) return true;
    recordAt_ = 0;
    RecordedRaws row(entries.size(), std::nullopt);
    row.swap(recordRow_);
    if (onRecordRow) onRecordRow(row);
    return true;
}
