#pragma once
// The simulated ECU, byte by byte, without any I/O: fed the bytes the tool
// sends and the passing time, it queues the bytes it answers. The program
// around it moves the bytes over a pseudo-terminal.
#include <chrono>
#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "model/Image.h"

struct DeviceOptions {
    std::uint8_t id[2] = {'M', '1'};
    bool setA = false;                 // command set A; set B otherwise
    std::uint8_t resultByte = '0';     // a block write that arrived intact
    std::uint8_t errorResultByte = 'E';   // a block write with a bad record
    std::uint16_t readFirst = 0x0000;  // the range a block read sends
    std::uint16_t readLast = 0xFFFF;
    int echoTimeoutMs = 2000;          // the tool's echo, or its next command byte
    std::map<std::uint8_t, int> items; // monitor request byte -> answer length 1 or 2
    // Monitor items that always answer this value, as it is: 0x11 and 0x13
    // included, which the moving values of the other items leave out.
    std::map<std::uint8_t, unsigned> fixedValues;
    // Monitor values that follow a ride (tools/ecusim/SimRide.h) on the
    // simulator's clock, for the items the ride drives.
    bool ride = false;
    // Every monitor answer is the count of the answers before it (of all
    // items, from 0), its low byte for a one-byte item: a test knows each
    // value of a recording and its order.
    bool sequence = false;

    // Faults.
    bool silent = false;               // answers nothing at all
    bool wrongId = false;              // identification answers another second byte
    bool wrongEcho = false;            // command letters are echoed changed
    int stopAfterRecords = -1;         // a block read goes quiet after this many records
    bool flood = false;                // after the first request, stray bytes without end
    bool noResult = false;             // a block write ends without a result byte
    int stopEchoAfter = -1;            // a block write stops echoing after this many characters
    // A block read sends its n-th record (from 1) damaged: a character that
    // is no hex digit, a wrong checksum, a count one above the bytes it holds
    // (its checksum made to fit the count). -1: sent intact.
    int badHexRecord = -1;
    int badChecksumRecord = -1;
    int badCountRecord = -1;
    // The first identification answer goes out this many ms late, as from
    // an ECU still waking up. -1: at once.
    int lateIdMs = -1;
    // Each record of a block write is stored as it arrives, as a flash ECU
    // programs it: a write cut off leaves the records before the cut.
    bool storeEachRecord = false;
    // A block write stores the byte at this address with its lowest bit
    // flipped (-1: stored right).
    long storeWrongAt = -1;
    // A block write answers its result byte but stores nothing.
    bool ignoreWrite = false;
    // The write faults (stop-echo, no-result, store-wrong, ignore-write) hit
    // only the first block write, so a second write can put things right.
    bool firstWriteOnly = false;
    // The first single write loses its n-th byte after the command letter
    // (1: the address high byte) on the line: the ECU never sees it and
    // waits for one byte more. -1: nothing lost.
    int dropSingleByte = -1;
};

// 0x01..0x0F answer two bytes, 0x10..0x3F one; 0x11 and 0x13 stay free for XON/XOFF.
std::map<std::uint8_t, int> DefaultMonitorItems();

class EcuDevice {
public:
    using Clock = std::chrono::steady_clock;

    EcuDevice(const DeviceOptions& options, Image& image)
        : options_(options), image_(image), started_(Clock::now()) {}

    void OnByte(std::uint8_t byte, Clock::time_point now);
    // Time-outs of a half-finished command and the flood.
    void OnTime(Clock::time_point now);
    // When OnTime wants to run next; max() when nothing waits.
    Clock::time_point NextDeadline() const;

    std::deque<std::uint8_t>& Output() { return output_; }
    std::uint8_t CommandByte(char letter) const;

    int writesApplied = 0;   // block writes taken into the image

private:
    enum class State { kIdle, kAfterL, kSingle, kSending, kReceiving };
    void Reset();
    void Send(std::uint8_t byte) { output_.push_back(byte); }
    void Echo(std::uint8_t byte, bool commandLetter);
    void StartBlockRead(Clock::time_point now);
    void SendNextCharacter(Clock::time_point now);
    void OnWriteCharacter(std::uint8_t byte, Clock::time_point now);
    void FinishWrite();
    void AnswerItem(std::uint8_t request, int length, Clock::time_point now);

    DeviceOptions options_;
    Image& image_;
    std::deque<std::uint8_t> output_;
    State state_ = State::kIdle;
    Clock::time_point deadline_ = Clock::time_point::max();
    bool flooding_ = false;

    // Single write.
    std::vector<std::uint8_t> single_;
    std::size_t singleNeeded_ = 0;

    // Block read: the whole text, the character awaiting its echo.
    std::string readText_;
    std::size_t readAt_ = 0;
    int recordsSent_ = 0;

    // Block write: the record being parsed and the records taken so far.
    std::string record_;
    std::vector<std::pair<std::uint16_t, std::vector<std::uint8_t>>> pending_;
    bool writeError_ = false;
    int charactersEchoed_ = 0;
    int writesStarted_ = 0;
    bool WriteFaults() const { return !options_.firstWriteOnly || writesStarted_ == 1; }
    void Store(std::uint16_t address, const std::vector<std::uint8_t>& data);

    std::map<std::uint8_t, unsigned> itemTicks_;
    Clock::time_point started_;     // the ride's clock starts here
    unsigned answersGiven_ = 0;     // the sequence's count

    // The held-back identification answer and when it goes out.
    std::vector<std::uint8_t> lateAnswer_;
    Clock::time_point lateAt_ = Clock::time_point::max();
    bool lateUsed_ = false;
    bool singleDropped_ = false;   // the drop-single fault has struck
};
