#pragma once
// A recording of the monitor into a datalog: the monitor asks its dialog
// list at line speed, and each whole round becomes a row of the file, time
// stamped from the start of the recording. The window's Record command and
// `rvtune datalog` both record through this.
#include <chrono>
#include <cstddef>
#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ecu/Monitor.h"
#include "files/DatalogWriter.h"

enum class RecordStart {
    kStarted,
    kNotRunning,   // the monitor is stopped
    kNoItems,      // the dialog list names no item
    kExists,       // the file exists (or every name of the second is taken)
    kLink,         // the logs folder is a link
    kFailed,       // the file could not be made; LastError says why
};

class DatalogRecorder {
public:
    // items: the machine's monitor items, as the monitor has them.
    DatalogRecorder(Monitor& monitor, const std::vector<DiagItem>& items);
    ~DatalogRecorder();
    DatalogRecorder(const DatalogRecorder&) = delete;
    DatalogRecorder& operator=(const DatalogRecorder&) = delete;

    // A new log under the time-stamped name of now in folder, or at path.
    RecordStart StartInFolder(const std::string& folder, std::time_t now);
    RecordStart StartAt(const std::string& path, bool replace);
    // Ends the recording and closes the log; false when a row or the last
    // sync did not reach the file.
    bool Stop();
    // Ends the recording and removes the log (nothing worth keeping in it).
    void Discard();

    bool Recording() const { return recording_; }
    std::size_t Rows() const { return rows_; }
    // Rows in which at least one item answered.
    std::size_t RowsWithValues() const { return rowsWithValues_; }
    const std::string& Path() const { return path_; }
    const std::string& Name() const { return name_; }
    int LastError() const { return writer_ ? writer_->LastError() : error_; }

    // The recording ended on its own: the monitor stopped, its list
    // changed or the port closed (writeFailed false), or the file took no
    // more rows (true). The rows written stay in the file; the owner ends
    // with Stop or Discard as usual.
    std::function<void(bool writeFailed)> onEnded;
    // The clock of the row times; tests replace it.
    std::function<std::chrono::steady_clock::time_point()> clock;

private:
    RecordStart Begin(const std::function<DatalogOpen(DatalogWriter&)>& open);
    void OnRow(const RecordedRaws& row);
    void End(bool writeFailed);

    Monitor& monitor_;
    const std::vector<DiagItem>& items_;
    std::unique_ptr<DatalogWriter> writer_;
    std::vector<std::size_t> columnRows_;   // the dialog row of each column
    std::chrono::steady_clock::time_point started_{};
    bool recording_ = false;
    std::size_t rows_ = 0;
    std::size_t rowsWithValues_ = 0;
    std::string path_;
    std::string name_;
    int error_ = 0;
};
