#include "ecu/SerialLink.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <thread>

#include "config/CommLogFile.h"
#include "config/RegistrySettings.h"
#include "model/Strings.h"
#include "ecu/CommLog.h"
#include "platform/EventPump.h"
#include "platform/ProfileFile.h"
#include "platform/RegistryStore.h"
#include "platform/TextFormat.h"

namespace {


}  // namespace

SerialLink::SerialLink(MachineConfig& machine, SerialPort& port, EventPump& pump, LinkTimer& timer)
    : clockMs(ProgramClockMs),
      sleepMs([](int ms) {
          if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
      }),
      line_(machine),
      port_(port),
      pump_(pump),
      timer_(timer),
      log_(machine.registry.commLog) {}

int SerialLink::TimeoutSetting() const { return line_.readTimeout; }

std::string SerialLink::CodeText(int code) const {
    std::string text = Str(code);
    if (code == str::kPortUsedByOther && portHolder > 0 && !text.empty() && text.back() == '.')
        text.insert(text.size() - 1, " (process " + std::to_string(portHolder) + ")");
    return text;
}

int SerialLink::EffectivePort() const { return line_.portCode; }

bool SerialLink::SetPort(int portCode, ProfileFile& settings, RegistryStore& registry) {
    if (portCode < 0 || portCode > 7) return false;
    bool ok = true;
    if (portCode != line_.portCode) {
        ClosePort();
        line_.portCode = portCode;
        ok = settings.WriteString(portsetting::kSection, portsetting::kKey, "PORT" + std::to_string(portCode + 1));
    }
    if (portCode != line_.registry.rs232cPort) {
        ok = registry.SetDword(ProgramRegistryKey(), regname::kRs232cPort, static_cast<std::uint32_t>(portCode)) &&
             ok;
        line_.registry.rs232cPort = portCode;
    }
    return ok;
}

LineSettings SerialLink::LineFromCodes() const {
    LineSettings line;
    if (line_.speedCode >= 0 && line_.speedCode <= 5) line.baud = kBaudBySpeedCode[line_.speedCode];
    line.dataBits = line_.dataBitsCode == 0 ? 7 : 8;
    line.parity = line_.parityCode == 1 ? Parity::kOdd : line_.parityCode == 2 ? Parity::kEven : Parity::kNone;
    line.stopBits = line_.stopBitsCode == 1   ? StopBits::kOneAndHalf
                    : line_.stopBitsCode == 2 ? StopBits::kTwo
                                             : StopBits::kOne;
    // Flow code 1 is the settings file's "NO"; anything else leaves XON/XOFF on.
    line.xonXoff = line_.flowCode != 1;
    line.ctsOutputFlow = true;
    return line;
}

bool SerialLink::OpenPort(bool startTimer) {
    if (portOpen) ClosePort();
    ecuChecked = false;
    portTaken = false;
    portHolder = 0;
    const int portCode = line_.portCode;
    const bool codesValid = portCode >= 0 && portCode <= 7 && line_.speedCode >= 0 &&
                            line_.speedCode <= 5 && line_.dataBitsCode >= 0 &&
                            line_.dataBitsCode <= 1 && line_.parityCode >= 0 &&
                            line_.parityCode <= 2 && line_.stopBitsCode >= 0 && line_.stopBitsCode <= 2;
    if (codesValid && port_.Open("COM" + std::to_string(portCode + 1), LineFromCodes())) {
        portOpen = true;
        if (startTimer) timer_.StartLinkTimer();
        // A one-byte read returns empty after about TIMEOUT ms of silence. A
        // TIMEOUT below 1 would make every read wait for ever, so the port
        // gets at least 1 ms.
        const int timeoutMs = TimeoutSetting() < 1 ? 1 : TimeoutSetting();
        PortTimeouts timeouts;
        timeouts.readIntervalMs = timeoutMs;
        timeouts.readTotalMultiplierMs = timeoutMs;
        timeouts.readTotalConstantMs = 0;
        timeouts.writeTotalMultiplierMs = timeoutMs;
        timeouts.writeTotalConstantMs = 0;
        port_.SetTimeouts(timeouts);
        if (onOpened) onOpened();
    } else if (codesValid && port_.LastError() == EBUSY) {
        portTaken = true;
        portHolder = port_.LockHolder();
    }
    LogEvent(clockMs(), 0, portOpen ? 1 : 0, 0, port_.LastError(),
             FormatText(commlog::kOpenEvent, portCode + 1));
    return portOpen;
}

void SerialLink::ClosePort() {
    if (!portOpen) return;
    port_.Close();
    portOpen = false;
    monitorActive = false;
    exchangeBusy = false;
    timer_.StopLinkTimer();
    LogEvent(clockMs(), 0, 1, 0, port_.LastError(), FormatText(commlog::kCloseEvent, line_.portCode + 1));
}

bool SerialLink::ReadBytes(std::uint8_t* buffer, std::size_t n, std::size_t& count,
                           const std::string& label) {
    if (buffer && n > 0) buffer[0] = static_cast<std::uint8_t>(~buffer[0]);
    count = 0;
    const bool ok = buffer ? port_.Read(buffer, n, count) : false;
    if (count > n) count = n;   // a port that claims more than was asked for
    if (log_.IsOpen()) {
        CommLogFields fields{clockMs(), buffer && n > 0 ? buffer[0] : std::uint8_t{0}, count,
                             silenceCountdown, port_.LastError()};
        log_.Write(CommLogReadLine(fields, label), false);
    }
    return ok;
}

bool SerialLink::WriteBytes(const std::uint8_t* buffer, std::size_t n, std::size_t& count,
                            const std::string& label) {
    count = 0;
    const bool ok = buffer ? port_.Write(buffer, n) : false;
    if (ok) count = n;
    if (log_.IsOpen()) {
        CommLogFields fields{clockMs(), buffer && n > 0 ? buffer[0] : std::uint8_t{0}, count,
                             silenceCountdown, port_.LastError()};
        log_.Write(CommLogWriteLine(fields, label), true);
    }
    return ok;
}

void SerialLink::LogEvent(long timeMs, std::uint8_t byte, std::size_t count, int countdown,
                          int error, const std::string& text) {
    if (!log_.IsOpen()) return;
    log_.Write(CommLogEventLine(CommLogFields{timeMs, byte, count, countdown, error}, text), false);
}

void SerialLink::ClearError() { port_.ClearError(); }

void SerialLink::OnTick() {
    if (!portOpen) return;
    if (silenceCountdown > 0) --silenceCountdown;
    if (monitorHook) monitorHook();
}

void SerialLink::WaitStep() {
    pump_.DispatchOne();
    if (!timer_.LinkTimerRunning() && silenceCountdown > 0) --silenceCountdown;
}
