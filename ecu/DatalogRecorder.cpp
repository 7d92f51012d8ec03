#include "ecu/DatalogRecorder.h"

#include <optional>

DatalogRecorder::DatalogRecorder(Monitor& monitor, const std::vector<DiagItem>& items)
    : clock([] { return std::chrono::steady_clock::now(); }), monitor_(monitor), items_(items) {
    monitor_.onRecordRow = [this](const RecordedRaws& row) { OnRow(row); };
    monitor_.onRecordingEnded = [this] { End(false); };
}

DatalogRecorder::~DatalogRecorder() {
    if (recording_) monitor_.StopRecording();
    monitor_.onRecordRow = nullptr;
    monitor_.onRecordingEnded = nullptr;
}

RecordStart DatalogRecorder::Begin(const std::function<DatalogOpen(DatalogWriter&)>& open) {
    if (recording_) Stop();
    if (!monitor_.Running()) return RecordStart::kNotRunning;
    std::vector<DiagItem> columns;
    columnRows_.clear();
    const std::vector<std::uint8_t>& entries = monitor_.DialogList().Entries();
    for (std::size_t row = 0; row < entries.size(); ++row) {
        if (entries[row] >= items_.size()) continue;
        columns.push_back(items_[entries[row]]);
        columnRows_.push_back(row);
    }
    if (columns.empty()) return RecordStart::kNoItems;
    writer_ = std::make_unique<DatalogWriter>(std::move(columns));
    switch (open(*writer_)) {
    case DatalogOpen::kOk: break;
    case DatalogOpen::kExists: return RecordStart::kExists;
    case DatalogOpen::kLink: return RecordStart::kLink;
    case DatalogOpen::kFailed: return RecordStart::kFailed;
    }
    path_ = writer_->Path();
    name_ = writer_->Name();
    rows_ = rowsWithValues_ = 0;
    if (!monitor_.StartRecording()) {
        writer_->Discard();
        return RecordStart::kNotRunning;
    }
    recording_ = true;
    started_ = clock();
    return RecordStart::kStarted;
}

RecordStart DatalogRecorder::StartInFolder(const std::string& folder, std::time_t now) {
    return Begin([&](DatalogWriter& writer) { return writer.CreateInFolder(folder, now); });
}

RecordStart DatalogRecorder::StartAt(const std::string& path, bool replace) {
    return Begin([&](DatalogWriter& writer) { return writer.Create(path, replace); });
}

void DatalogRecorder::OnRow(const RecordedRaws& row) {
    if (!recording_ || !writer_) return;
    RecordedRaws columns;
    bool anyValue = false;
    for (const std::size_t at : columnRows_) {
        columns.push_back(at < row.size() ? row[at] : std::nullopt);
        anyValue = anyValue || columns.back().has_value();
    }
    const double seconds = std::chrono::duration<double>(clock() - started_).count();
    if (!writer_->WriteRow(seconds, columns)) {
        monitor_.StopRecording();
        End(true);
        return;
    }
    ++rows_;
    if (anyValue) ++rowsWithValues_;
}

void DatalogRecorder::End(bool writeFailed) {
    if (!recording_) return;
    recording_ = false;
    // The log stays open for Stop or Discard, which the owner calls.
    if (onEnded) onEnded(writeFailed);
}

bool DatalogRecorder::Stop() {
    if (recording_) {
        recording_ = false;
        monitor_.StopRecording();
    }
    return writer_ ? writer_->Close() : true;
}

void DatalogRecorder::Discard() {
    if (recording_) {
        recording_ = false;
        monitor_.StopRecording();
    }
    if (writer_) writer_->Discard();
}
