#include "ecu/EcuProtocol.h"

#include <algorithm>
#include <cstdio>
#include <mutex>

#include "config/MachineConfig.h"
#include "model/LineStore.h"
#include "model/Strings.h"
#include "ecu/ProgressDisplay.h"
#include "ecu/SerialLink.h"
#include "platform/EventPump.h"
#include "platform/UserPrompt.h"
#include "platform/TextFormat.h"

namespace {

const std::string kOutComm = "OutComm";
const std::string kInComm = "InComm";
const std::string kInCommAt = "InCommAt";
const std::string kCheck1 = "EcuCheckCommand1";
const std::string kCheck2 = "EcuCheckCommand2";
const std::string kDummyRead = "Dummy Read";
const std::string kReadFlush = "ReadEcu";
const std::string kWriteFlush = "WriteEcu";
const std::string kReadDrain = "ReadEcu_GetRestDataFromPort";
const std::string kWriteDrain = "WriteEcu_GetRestDataFromPort";

std::string AttemptLabel(int attempt, int attempts) {
    return FormatText("EcuCheckCommand [% 3d/% 3d]", attempt, attempts);
}

// "Wait..." and a whole percentage of done / total, at most 100.
std::string PercentText(long long done, long long total) {
    long long percent = total > 0 ? done * 100 / total : 0;
    percent = std::clamp(percent, 0LL, 100LL);
    return std::string(ecuproto::kWait) + std::to_string(percent) + "%";
}

}  // namespace

EcuProtocol::PortUse::PortUse(EcuProtocol& protocol) : link_(protocol.link_), opened_(!protocol.link_.portOpen) {
    if (opened_) link_.OpenPort(true);
}

EcuProtocol::PortUse::~PortUse() {
    if (opened_) link_.ClosePort();
}

bool EcuProtocol::PortUse::Taken() const { return !link_.portOpen && link_.portTaken; }

EcuProtocol::EcuProtocol(const MachineConfig& machine, const LineStore& definitionLines, SerialLink& link,
                         UserPrompt& prompt, ProgressDisplay& progress)
    : line_(machine),
      definitionLines_(definitionLines),
      link_(link),
      prompt_(prompt),
      progress_(progress) {
    link_.onOpened = [this] { IdentifyAfterOpen(); };
}

EcuProtocol::~EcuProtocol() { link_.onOpened = nullptr; }

std::uint8_t EcuProtocol::CommandByte(char letter) const {
    const auto& set = line_.commandSetSelector == kCommandSetA ? line_.commandSetA : line_.commandSetB;
    const auto found = set.find(letter);
    return found == set.end() ? 0 : static_cast<std::uint8_t>(found->second);
}

std::string EcuProtocol::CodeText(int code) const { return link_.CodeText(code); }

void EcuProtocol::IdentifyAfterOpen() {
    const int runs = std::max(1, line_.ecRetryCount + 1);
    for (int run = 0; run < runs; ++run) {
        if (CheckEcu(true) != str::kEcuTypeDifferent) break;
    }
    link_.ecuChecked = false;
}

int EcuProtocol::CheckEcu(bool withRetries) {
    const auto& expected = line_.registry.expectedId;
    if (expected[0] == 0) {
        link_.ecuChecked = true;
        return 0;
    }
    const bool wasOpen = link_.portOpen;
    // Nothing goes on a line another program holds: its exchange would be
    // cut by our bytes, and its answers taken for ours.
    if (!wasOpen && !link_.OpenPort(false) && link_.portTaken) return str::kPortUsedByOther;
    link_.silenceCountdown = link_.TimeoutSetting();

    std::uint8_t received[2] = {0, 0};
    bool answered = false;
    {
        std::lock_guard<std::recursive_mutex> guard(link_.CommLock());
        const int attempts = withRetries ? std::max(1, line_.retryCount + 1) : 1;
        for (int attempt = 1; attempt <= attempts && !answered; ++attempt) {
            // What is still on the line (a late answer to an earlier request)
            // would be read as the start of this answer.
            link_.ClearError();
            const std::uint8_t request = ecuproto::kIdentifyRequest;
            std::size_t written = 0, first = 0, second = 0;
            const bool writeOk =
                link_.WriteBytes(&request, 1, written, AttemptLabel(attempt, attempts));
            const bool firstOk = link_.ReadBytes(&received[0], 1, first, kCheck1);
            const bool secondOk = link_.ReadBytes(&received[1], 1, second, kCheck2);
            answered = writeOk && firstOk && secondOk && written == 1 && first == 1 && second == 1;
            if (!answered && withRetries) link_.sleepMs(line_.waitTime);
        }
    }

    int result = 0;
    if (answered) {
        link_.ecuChecked = received[0] == expected[0] && received[1] == expected[1];
        if (!link_.ecuChecked) result = str::kEcuTypeDifferent;
    } else {
        link_.ClearError();
        result = str::kNoResponse;
    }
    if (!wasOpen) link_.ClosePort();
    return result;
}

bool EcuProtocol::SendEchoed(std::uint8_t byte) {
    std::size_t count = 0;
    link_.WriteBytes(&byte, 1, count, kOutComm);
    link_.silenceCountdown = link_.TimeoutSetting();
    std::uint8_t echo = 0;
    while (link_.silenceCountdown > 0) {
        if (!link_.ReadBytes(&echo, 1, count, kOutComm)) break;
        if (count == 1) return echo == byte;
        link_.WaitStep();
    }
    link_.ClearError();
    return false;
}

bool EcuProtocol::SendEchoedOnce(std::uint8_t byte) {
    std::size_t count = 0;
    link_.WriteBytes(&byte, 1, count, kOutComm);
    std::uint8_t echo = 0;
    if (link_.ReadBytes(&echo, 1, count, kOutComm) && count == 1) return echo == byte;
    link_.ClearError();
    return false;
}

bool EcuProtocol::ReceiveResultByte(std::uint8_t& byte) {
    link_.silenceCountdown = link_.TimeoutSetting();
    std::size_t count = 0;
    for (;;) {
        if (!link_.ReadBytes(&byte, 1, count, kInCommAt)) {
            link_.ClearError();
            return false;
        }
        if (count == 1) return true;
        if (link_.silenceCountdown <= 0) return false;
        link_.WaitStep();
    }
}

bool EcuProtocol::ReceiveRecords(std::string& text) {
    const long long total = line_.registry.readEcuNum;
    long long records = 0;
    // The one-byte receive buffer: ReadBytes inverts it before every read, so
    // it holds "C" again only on the second empty read after a final "C".
    std::uint8_t buffer = 0;
    std::size_t count = 0;
    link_.silenceCountdown = link_.TimeoutSetting();
    for (;;) {
        const bool ok = link_.ReadBytes(&buffer, 1, count, kInComm);
        if (ok && count == 1) {
            std::size_t echoed = 0;
            link_.WriteBytes(&buffer, 1, echoed, kInComm);
            text.push_back(static_cast<char>(buffer));
            if (text.size() > ecuproto::kMaxRecordText) return false;
            link_.silenceCountdown = link_.TimeoutSetting();
            // "S1", count and address of a record have just arrived.
            if (text.size() > 7 && text[text.size() - 8] == 'S') {
                if (total > 0) {
                    ++records;
                    progress_.SetText(PercentText(records, total));
                } else {
                    progress_.SetText(ecuproto::kWait + text.substr(text.size() - 4));
                }
                link_.Pump().DispatchAll();
            }
            continue;
        }
        if (!ok) {
            link_.ClearError();
            return false;
        }
        if (link_.silenceCountdown <= 0) return false;
        if (buffer == 'C' && text.find("S9") != std::string::npos) return true;
        link_.WaitStep();
    }
}

bool EcuProtocol::DrainBeforeExchange(const std::string& label) {
    if (!link_.portOpen) return true;
    std::uint8_t byte = 0;
    std::size_t count = 0;
    for (int read = 0; read < ecuproto::kDrainReads; ++read) {
        if (!link_.ReadBytes(&byte, 1, count, label) || count == 0) return true;
    }
    return false;
}

bool EcuProtocol::FlushInput(const std::string& label, bool dispatchAll) {
    std::uint8_t byte = 0;
    std::size_t count = 0;
    for (int read = 0; read < ecuproto::kDrainReads; ++read) {
        if (!link_.ReadBytes(&byte, 1, count, label) || count == 0) return true;
        if (dispatchAll) link_.Pump().DispatchAll();
    }
    return false;
}

void EcuProtocol::HoldMonitor() {
    link_.exchangeBusy = true;
    // The monitor clears monitorActive on the first tick that finds no
    // request of its own outstanding; only link-timer ticks move it, and an
    // unanswered request gives up after its ten ticks.
    while (link_.monitorActive && link_.portOpen && link_.monitorHook && link_.Timer().LinkTimerRunning())
        link_.Pump().DispatchOne();
}

void EcuProtocol::ReleaseMonitor() { link_.exchangeBusy = false; }

EcuReadResult EcuProtocol::ReadEcu() {
    EcuReadResult result;
    std::lock_guard<std::recursive_mutex> guard(link_.CommLock());
    HoldMonitor();
    if (!DrainBeforeExchange(kReadDrain)) {
        ReleaseMonitor();
        result.code = str::kDataRemainsInPort;
        return result;
    }
    progress_.Show(ecuproto::kReadTitle);
    link_.exchangeBusy = true;
    {
        PortUse port(*this);
        result.code = CheckEcu(false);
        if (result.code == 0) {
            // An ECU that never stops talking would keep the flush going for
            // ever; give up as the drain does.
            if (!FlushInput(kReadFlush, true)) result.code = str::kDataRemainsInPort;
            link_.ClearError();
        }
        if (result.code == 0) {
            result.received = SendEchoed(CommandByte('L')) && SendEchoed(CommandByte('R')) &&
                              ReceiveRecords(result.text);
        }
    }
    progress_.Close();
    link_.exchangeBusy = false;
    if (result.code != 0) return result;

    // A damaged record fails the read at its address: none of its bytes, nor
    // any after it, may pass for what the ECU holds.
    if (result.received) {
        result.data = DecodeRecords(result.text);
        if (!result.data.ok) {
            result.code = str::kFailedToCorrespond;
            if (result.data.damaged) result.failAddress = result.data.damagedAddress;
        }
    } else {
        result.code = str::kFailedToCorrespond;
        result.data = DecodePartialRecords(result.text);
        result.failAddress =
            result.data.damaged ? result.data.damagedAddress : FirstMissingAddress(result.data);
    }
    return result;
}

void EcuProtocol::ShowResultMessage(std::uint8_t resultByte) {
    const LineStore& lines = definitionLines_;
    int index = lines.FindSection(ecuproto::kErrorMessageSection);
    if (index < 0) return;
    std::string line;
    while (lines.NextLine(index, line) > 0 && !IsHeaderLine(line)) {
        if (line.size() >= 2 && static_cast<std::uint8_t>(line[0]) == resultByte && line[1] == ',') {
            prompt_.Message(line.substr(2), Str(str::kCaptionWriteToEcu), PromptIcon::kInformation);
            return;
        }
    }
}

EcuWriteResult EcuProtocol::WriteEcu(const std::vector<std::string>& lines) {
    EcuWriteResult result;
    std::lock_guard<std::recursive_mutex> guard(link_.CommLock());
    HoldMonitor();
    if (!DrainBeforeExchange(kWriteDrain)) {
        ReleaseMonitor();
        result.code = str::kDataRemainsInPort;
        return result;
    }
    progress_.Show(Str(str::kCaptionWriteToEcu));
    link_.exchangeBusy = true;
    std::string currentAddress;
    int sentOfLine = 0;
    bool written = false;
    std::uint8_t resultByte = 0;
    {
        PortUse port(*this);
        result.code = CheckEcu(false);
        if (result.code == 0) {
            if (!FlushInput(kWriteFlush, true)) result.code = str::kDataRemainsInPort;
            link_.ClearError();
        }
        result.commandSent = result.code == 0;
        const bool started = result.code == 0 && SendEchoed(CommandByte('L')) && SendEchoed(CommandByte('W'));
        bool sent = started;
        const long long lineCount = static_cast<long long>(lines.size());
        for (long long i = 0; sent && i < lineCount; ++i) {
            const std::string& line = lines[static_cast<std::size_t>(i)];
            if (line.size() < 8) {
                sent = false;
                break;
            }
            const bool closing = line[1] == '9';
            if (i > 0 && !closing && stopRequested && stopRequested()) {
                result.interrupted = true;
                currentAddress = line.substr(4, 4);
                sentOfLine = 0;
                sent = false;
                break;
            }
            progress_.SetText(PercentText(i + 1, lineCount));
            currentAddress.clear();
            if (!closing) currentAddress = line.substr(4, 4);
            sentOfLine = 0;
            for (char c : line) {
                if (!SendEchoed(static_cast<std::uint8_t>(c))) {
                    sent = false;
                    break;
                }
                ++sentOfLine;
            }
            if (closing) break;
        }
        result.allSent = sent;
        if (sent) written = ReceiveResultByte(resultByte);
        // A write cut off (by the line or by the user) leaves the ECU waiting
        // for the rest of its records: whatever came next would be taken
        // for record text. Nothing goes out until it has given up.
        if (started && !sent) QuietAfterCutCommand();
    }
    progress_.Close();
    link_.exchangeBusy = false;
    if (result.code != 0) return result;
    if (!written) {
        result.code = str::kFailedToCorrespond;
        result.failAddress = FailingWriteAddress(currentAddress, sentOfLine);
        return result;
    }
    ShowResultMessage(resultByte);
    return result;
}

int EcuProtocol::SingleWrite(const std::string& title, const std::vector<std::uint8_t>& bytes) {
    progress_.Show(title);
    link_.exchangeBusy = true;
    // Let an outstanding monitor request finish. Only the link timer's ticks
    // clear the flag, so there is nothing to wait for while it is stopped.
    while (link_.monitorActive && link_.portOpen && link_.Timer().LinkTimerRunning())
        link_.Pump().DispatchOne();

    int code = 0;
    bool sendFailed = false;
    lastWriteSent_ = false;
    {
        PortUse port(*this);
        if (!link_.ecuChecked) code = CheckEcu(false);
        if (code == 0) {
            std::lock_guard<std::recursive_mutex> guard(link_.CommLock());
            FlushInput(kDummyRead, false);
            link_.ClearError();
            lastWriteSent_ = true;
            for (std::uint8_t byte : bytes) {
                if (!SendEchoedOnce(byte)) {
                    sendFailed = true;
                    break;
                }
            }
            if (sendFailed) QuietAfterCutCommand();
        }
    }
    link_.exchangeBusy = false;
    progress_.Close();

    if (code == 0 && sendFailed) code = str::kNoResponse;
    if (code != 0) prompt_.Message(link_.CodeText(code), text::kProgramTitle, PromptIcon::kExclamation);
    return code;
}

void EcuProtocol::QuietAfterCutCommand() {
    // exchangeBusy stays set, so the monitor sends nothing either; window
    // messages are still served.
    constexpr int kStepMs = 20;
    for (int waited = 0; waited < ecuproto::kHalfCommandQuietMs; waited += kStepMs) {
        link_.Pump().DispatchAll();
        link_.sleepMs(kStepMs);
    }
    FlushInput(kDummyRead, false);
    link_.ClearError();
}

int EcuProtocol::WriteByte(std::uint16_t address, std::uint8_t value) {
    return SingleWrite(FormatText("( %04X ) = %02X", address, value), {CommandByte('S'), static_cast<std::uint8_t>(address >> 8),
                               static_cast<std::uint8_t>(address & 0xFF), value});
}

int EcuProtocol::WriteWord(std::uint16_t address, std::uint16_t value) {
    return SingleWrite(FormatText("( %04X ) = %04X", address, value), {CommandByte('s'), static_cast<std::uint8_t>(address >> 8),
                               static_cast<std::uint8_t>(address & 0xFF),
                               static_cast<std::uint8_t>(value >> 8),
                               static_cast<std::uint8_t>(value & 0xFF)});
}
