#pragma once
// The data exchange: moves a whole calibration between the ECU, the edited
// calibration and a file, and checks that two of them agree. The exchange
// buffer is read from a source and written to a target; the comparison
// buffer is read for a verify. Every action appends its line to the report.
// The window shows what this class holds (pane texts, button states, the
// report and the status line) and passes in what the user chose.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ecu/DataPane.h"
#include "ecu/SafeWrite.h"

struct Calibration;
struct RegistrySettings;
class EcuProtocol;
struct UserPrompt;

// Texts of the exchange, numbered as the string table numbers them.
namespace exchangetext {
constexpr const char* kChecksumError = "Check Sum Error!";
constexpr const char* kEcuTitle = "ECU Data";
constexpr const char* kEditTitle = "Edit Data  [ %s ]";
constexpr const char* kFileTitle = "File Data [ %s ]";
constexpr const char* kComplete = "Complete";
constexpr const char* kFail = "Fail";
constexpr const char* kSame = "Same";
constexpr const char* kNotSame = "Not same";
constexpr const char* kOpenFileTitle = "Open File";
constexpr const char* kDefaultExtension = "qsd";
}  // namespace exchangetext

enum class ExchangeSource { kEcu = 0, kEdit = 1, kFile = 2 };
enum class ExchangeTarget { kEcu = 0, kEdit = 1 };

// How an action ended. kAbandoned: the user cancelled and nothing was
// reported; kUnavailable: the action's button is disabled, nothing happened.
enum class ExchangeOutcome { kComplete, kFail, kSame, kNotSame, kAbandoned, kUnavailable };

struct ExchangeButtons {
    bool read = true;
    bool write = false;
    bool verify = false;
    bool clear = false;
};

// What the window's file-open dialog needs.
struct FileDialogSpec {
    std::string title;
    std::string filter;
    std::string defaultExtension;
    std::string folder;
};

// The file source asks for its file through this: true with the chosen path,
// false when the user cancelled. It is called after the question about the
// current data, as the window asks them in that order.
using FileChooser = std::function<bool(std::string& path)>;
// A chooser that always chooses path (rvtune, tests).
FileChooser ChosenFile(const std::string& path);

// Where the exchange buffer and the comparison differ, as lines for the
// report below a verify's "Not same" (app/VerifyListing builds them from
// the compare of two calibrations, which lies above this layer).
using DifferenceListing = std::function<std::vector<std::string>(const DataPane& exchange, const DataPane& comparison)>;

class DataExchange {
public:
    // registry names the machine folder a file source must belong to;
    // defaultFolder is where the file dialog starts.
    DataExchange(Calibration& calibration, const RegistrySettings& registry, const std::string& defaultFolder,
                 EcuProtocol& protocol, UserPrompt& prompt);

    ExchangeOutcome Read(ExchangeSource source, const FileChooser& chooseFile = {});
    ExchangeOutcome Write(ExchangeTarget target);
    ExchangeOutcome Verify(ExchangeSource source, const FileChooser& chooseFile = {});
    // Empties the exchange buffer, the status line and the report.
    void Clear();

    const DataPane& ExchangeBuffer() const { return exchange_; }
    const DataPane& ComparisonBuffer() const { return comparison_; }
    DataPane& ExchangeBuffer() { return exchange_; }   // for scrolling
    ExchangeSource ReadSource() const { return readSource_; }
    const std::string& Report() const { return report_; }
    // The lines the last action appended ("" when it appended none).
    const std::string& LastReport() const { return lastReport_; }
    const std::string& StatusText() const { return status_; }
    ExchangeButtons Buttons() const;
    bool Busy() const { return busy_; }
    // Write to edit data stored bytes into the image: the main frame marks the
    // calibration changed and refreshes its views.
    bool DataTakenOver() const { return dataTakenOver_; }
    FileDialogSpec FileDialog() const;

    // Runs for every byte stored into the image by Write to edit data (the
    // calibration's per-byte update); may be empty.
    std::function<void(std::uint16_t address, std::uint8_t value)> onByteStored;
    // The buttons are disabled (a transfer starts) or restored; may be empty.
    std::function<void()> onBusyChanged;

    // Set: a write to the ECU reads a backup first, writes, reads back and
    // compares (ecu/SafeWrite.h), and the logbook keeps every step. Not
    // owned; its prompt, phase and confirmation hooks stay the owner's.
    SafeWrite* safeWrite = nullptr;
    bool backupBeforeWrite = true;
    GuardLimits guardLimits;
    // After a write to the ECU failed with a backup kept: true writes the
    // backup back at once. Empty: it is not offered.
    std::function<bool(const SafeWriteResult& failed)> offerRestore;
    const SafeWriteResult& LastSafeWrite() const { return lastSafeWrite_; }
    // Writes a logbook entry's data back to the ECU with the same backup,
    // guard, write and verify sequence; kUnavailable without a safe write or
    // when the entry holds no sound data. An entry of another machine or ECU
    // identification is refused; so is the data of a write the ECU may never
    // have held, unless confirmUnverifiedRestore says yes.
    ExchangeOutcome Restore(int entryId);
    std::function<bool(const LogEntry& entry)> confirmUnverifiedRestore;
    // With a safe write set, every read and verify against the ECU is a
    // logbook entry; readTarget names the file a read goes to ("" for none).
    std::string readTarget;
    // Set: a verify that finds the data not the same lists where, below its line.
    DifferenceListing differenceListing;
    // The logbook could not take the last transfer's entry ("" when it did).
    const std::string& LogError() const { return logError_; }

private:
    enum class Fill { kLoaded, kFailed, kAbandoned };
    Fill FillPane(DataPane& pane, ExchangeSource source, const FileChooser& chooseFile,
                  std::string& path);
    Fill FillFromEcu(DataPane& pane);
    Fill FillFromEdit(DataPane& pane);
    Fill FillFromFile(DataPane& pane, const std::string& path);
    void SetBusy(bool busy);
    bool RunSafeWrite(const SafeWriteJob& job);
    // SafeWriteJob::layMaps over the open calibration; empty without one.
    std::function<bool(std::uint16_t, const std::vector<std::uint8_t>&, MapList&)> MapLayer() const;
    void Append(const std::string& text);
    void LogTransfer(const char* operation, const char* result, const DataPane* data, const std::string& file);
    void Message(const std::string& text);

    Calibration& calibration_;
    const RegistrySettings& registry_;
    const std::string& defaultFolder_;
    EcuProtocol& protocol_;
    UserPrompt& prompt_;
    DataPane exchange_;
    DataPane comparison_;
    ExchangeSource readSource_ = ExchangeSource::kEcu;
    std::string report_;
    std::string lastReport_;
    std::string status_;
    bool busy_ = false;
    bool dataTakenOver_ = false;
    SafeWriteResult lastSafeWrite_;
    std::string exchangePath_;   // the file the exchange buffer was read from
    std::string logError_;
};
