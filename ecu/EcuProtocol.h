#pragma once
// Everything that passes over the serial link to the ECU, byte by byte:
// identification, the two echo disciplines, the command sets, the block read
// and block write of S-record text, and the single byte and word writes.
//
// In every command phase the ECU echoes each byte the tool sends; in the data
// phase of a block read the tool echoes each byte the ECU sends. All waits
// are bounded by the silence countdown, in link-timer ticks.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ecu/EcuRecords.h"

class LineStore;
struct MachineConfig;
class SerialLink;
struct ProgressDisplay;
struct UserPrompt;

namespace ecuproto {
constexpr std::uint8_t kIdentifyRequest = 0xBF;
// Reads before an exchange that may still deliver monitor leftovers; also
// the bound of every "read while bytes arrive" loop.
constexpr int kDrainReads = 2048;
// A block read longer than this is no ECU's memory: a 64 KB image in
// one-byte records is under 1 MB of text.
constexpr std::size_t kMaxRecordText = 2u << 20;
// A single write cut short leaves the ECU waiting for the rest of its
// command: whatever came next on the line (a monitor request, the next
// write) would be stored as the missing address or value bytes. After a
// failed single write the line therefore stays quiet this long, past the
// ECU's own time-out for a half-done command (2 s), before anything else
// is sent; what arrived meanwhile is read and dropped.
constexpr int kHalfCommandQuietMs = 2500;
constexpr const char* kErrorMessageSection = "Error Message";
constexpr const char* kReadTitle = "Read from ECU";
constexpr const char* kWait = "Wait...";
constexpr const char* kClosingRecord = "S9030000FC";
}  // namespace ecuproto

struct EcuReadResult {
    int code = 0;               // 0, 1524, 1542, 1548 (input never quiet) or 1520 (transfer failed)
    bool received = false;      // the reception completed
    std::string text;           // the S-record text as received
    DecodedRecords data;        // full decoding, or the partial one after a failure
    // After a failed read: the address of the first damaged record, else the
    // first address missing after a broken-off reception ("" when unknown).
    std::string failAddress;
};

struct EcuWriteResult {
    int code = 0;               // 0, 1524, 1542, 1548 (input never quiet) or 1520 (transfer failed)
    std::string failAddress;    // after a failed transfer (may be empty)
    bool allSent = false;       // every record went out echoed; only the result byte may be missing
    bool interrupted = false;   // stopped by stopRequested before a record (code 1520)
    bool commandSent = false;   // the write command went out: the ECU may hold part of the data
};

class EcuProtocol {
public:
    // The port kept open across several exchanges (a backup, the write and
    // the read-back), so that no other program takes the line between them:
    // opened with the link timer when it is closed, and closed at the end
    // only when this opened it.
    class PortUse {
    public:
        explicit PortUse(EcuProtocol& protocol);
        ~PortUse();
        PortUse(const PortUse&) = delete;
        PortUse& operator=(const PortUse&) = delete;
        // Another program holds the port.
        bool Taken() const;

    private:
        SerialLink& link_;
        bool opened_;
    };

    // Installs itself as the link's identification at port open. The
    // machine gives the command sets, retries, the expected identification
    // and the record count of a read; the definition's lines its
    // "Error Message" section.
    EcuProtocol(const MachineConfig& machine, const LineStore& definitionLines, SerialLink& link,
                UserPrompt& prompt, ProgressDisplay& progress);
    ~EcuProtocol();
    EcuProtocol(const EcuProtocol&) = delete;
    EcuProtocol& operator=(const EcuProtocol&) = delete;

    // 0, 1542 "ECU type is different.", 1524 "No response from ECU." or
    // 1601 when another program holds the port (nothing was sent).
    int CheckEcu(bool withRetries);
    // The message of a result code (the port's holder named for 1601).
    std::string CodeText(int code) const;
    bool SendEchoed(std::uint8_t byte);       // echo awaited for TIMEOUT ticks
    bool SendEchoedOnce(std::uint8_t byte);   // echo awaited for one read time-out
    bool ReceiveRecords(std::string& text);
    bool ReceiveResultByte(std::uint8_t& byte);
    // false when 2048 reads all delivered a byte (the exchange must not start).
    bool DrainBeforeExchange(const std::string& label);

    // An exchange keeps the monitor out of its way: sets exchangeBusy, then
    // dispatches events until the monitor's outstanding request has its
    // answer (or its "Error") and the monitor has stood aside. Only then may
    // the exchange drain the input and talk: no answer byte of the monitor
    // lands in the exchange, no byte of the exchange is taken for an answer.
    // Returns at once when no monitor polls. ReleaseMonitor lets it go on.
    void HoldMonitor();
    void ReleaseMonitor();

    // Asked before each record of a block write after the first; true stops
    // the write there, so the ECU gets no record cut in two. May be empty.
    std::function<bool()> stopRequested;

    // Both hold the monitor for their whole length.
    EcuReadResult ReadEcu();
    // lines: S-record lines, 16 data bytes each, closed by "S9030000FC".
    EcuWriteResult WriteEcu(const std::vector<std::string>& lines);
    // Single-value writes; they report their own failures. 0, an
    // identification code, 1524 for a missing echo.
    int WriteByte(std::uint16_t address, std::uint8_t value);
    int WriteWord(std::uint16_t address, std::uint16_t value);
    // The last single write sent a byte of its command: a failed one that
    // did not (the port taken, the ECU silent or another type) left the ECU
    // as it was.
    bool LastWriteSent() const { return lastWriteSent_; }

    // The byte the current command set sends for a command letter; 0 for a
    // letter outside the set.
    std::uint8_t CommandByte(char letter) const;

    // The identification at port open: with retries, again while the ECU
    // type differs, ECRETRY + 1 runs at most; the outcome only primes the line.
    void IdentifyAfterOpen();

private:
    // Reads while bytes arrive; false when they never stop.
    bool FlushInput(const std::string& label, bool dispatchAll);
    int SingleWrite(const std::string& title, const std::vector<std::uint8_t>& bytes);
    void QuietAfterCutCommand();
    void ShowResultMessage(std::uint8_t resultByte);

    const MachineConfig& line_;
    const LineStore& definitionLines_;
    bool lastWriteSent_ = false;
    SerialLink& link_;
    UserPrompt& prompt_;
    ProgressDisplay& progress_;
};
