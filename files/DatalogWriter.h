#pragma once
// Writes a datalog (files/Datalog.h) as the monitor records it. The file is
// created with its header in one step, never over an existing name and
// never through a link; each row then goes to the file whole, in one
// write, and the file is synced at least once a second. So a kill at any
// moment leaves a CSV file that ends after its last whole row.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <sys/types.h>

#include "files/Datalog.h"
#include "model/DiagItem.h"

enum class DatalogOpen {
    kOk,
    kExists,   // the name is taken (Create without replace; every time-stamped name of the second)
    kLink,     // the logs folder is a symbolic link: nothing is written there
    kFailed,   // the folder or file could not be made; LastError says why
};

// The columns of the items, in order: name, unit and the decimals of the
// item's factor and offset.
std::vector<DatalogColumn> DatalogColumns(const std::vector<DiagItem>& items);
// One row, "\n" included: seconds, then each item's value of its raw answer
// (an empty field for none, and for items beyond the answers given).
std::string DatalogRowText(double seconds, const std::vector<DiagItem>& items,
                           const std::vector<DatalogColumn>& columns,
                           const std::vector<std::optional<std::uint16_t>>& raws);
// "YYYYMMDD-HHMMSS.csv" of a local time; copy 2, 3, ... adds "-2", "-3"
// before the extension.
std::string DatalogFileName(const std::tm& local, int copy = 1);
// The logs folder of the machine whose settings file is given: LOGS in its
// work folder.
std::string DatalogFolderFor(const std::string& settingsFilePath);

class DatalogWriter {
public:
    // items: the item of each column, in column order.
    explicit DatalogWriter(std::vector<DiagItem> items);
    ~DatalogWriter();
    DatalogWriter(const DatalogWriter&) = delete;
    DatalogWriter& operator=(const DatalogWriter&) = delete;

    // A new log in folder (made when missing, a link there refused), named
    // after now in local time, "-2", "-3", ... when the name is taken.
    DatalogOpen CreateInFolder(const std::string& folder, std::time_t now);
    // A new log at path. With replace, a file already under the name stays
    // until the log is closed with rows: the log grows beside it under
    // "<name>.part<pid>" and takes the name at Close (a link there is
    // replaced, never written through; a folder is refused). A log discarded
    // or cut short leaves the old file as it was.
    DatalogOpen Create(const std::string& path, bool replace);

    // One row; false when the file could not take it (the log is then
    // closed, its rows so far kept).
    bool WriteRow(double seconds, const std::vector<std::optional<std::uint16_t>>& raws);
    // Syncs and closes; false when the last sync failed, or a log replacing
    // a file could not take its name (it then stays under its own).
    bool Close();
    // Closes and removes the file (a log without rows); only the file this
    // writer made is removed.
    void Discard();

    bool IsOpen() const { return fd_ >= 0; }
    const std::string& Path() const { return path_; }
    const std::string& Name() const { return name_; }
    std::size_t Rows() const { return rows_; }
    // errno of the last failure; 0 when none.
    int LastError() const { return error_; }
    const std::vector<DatalogColumn>& Columns() const { return columns_; }

    // The clock of the once-a-second sync; tests replace it.
    std::function<std::chrono::steady_clock::time_point()> clock;

private:
    DatalogOpen CreateIn(int folder, const std::string& folderPath, const std::string& name);
    void CloseFiles();

    std::vector<DiagItem> items_;
    std::vector<DatalogColumn> columns_;
    int folder_ = -1;
    int fd_ = -1;
    std::string path_;
    std::string name_;
    std::string replaces_;   // the name this log takes at Close; empty when it has it already
    std::size_t rows_ = 0;
    off_t size_ = 0;         // the bytes of whole rows: a row cut short is cut back to it
    int error_ = 0;
    std::chrono::steady_clock::time_point lastSync_{};
};
