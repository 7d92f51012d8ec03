#include "ecu/EcuSession.h"

#include "config/MachineConfig.h"
#include "ecu/Logbook.h"
#include "model/Strings.h"
#include "platform/TextFormat.h"

EcuSession::EcuSession(MachineConfig& machine, const LineStore& definitionLines, SerialPort& port,
                       EventPump& pump, LinkTimer& timer, UserPrompt& prompt, ProgressDisplay& progress)
    : link_(machine, port, pump, timer), protocol_(machine, definitionLines, link_, prompt, progress) {}

EcuSession::~EcuSession() { link_.ClosePort(); }

int EcuSession::WriteBytes(const std::vector<EcuByteWrite>& bytes) {
    if (writeRunning_) return -1;
    if (bytes.empty()) return 0;
    writeRunning_ = true;
    if (onWriteRunning) onWriteRunning(true);
    const bool opened = !link_.portOpen;
    if (opened) link_.OpenPort(true);
    int code = 0;
    std::uint16_t runStart = 0;
    std::vector<std::uint8_t> run;   // written bytes at consecutive addresses, not entered yet
    for (const EcuByteWrite& write : bytes) {
        if (!run.empty() && write.address != static_cast<std::uint16_t>(runStart + run.size())) {
            LogSingleWrite(writeLog, logbook::kWriteByte, runStart, run, 0);
            run.clear();
        }
        code = protocol_.WriteByte(write.address, write.value);
        if (code != 0) {
            if (!run.empty()) LogSingleWrite(writeLog, logbook::kWriteByte, runStart, run, 0);
            run.clear();
            if (protocol_.LastWriteSent())
                LogSingleWrite(writeLog, logbook::kWriteByte, write.address, {write.value}, code);
            // The failure has been reported; a line that failed one byte would
            // fail every other byte with the same message.
            break;
        }
        if (run.empty()) runStart = write.address;
        run.push_back(write.value);
    }
    if (!run.empty()) LogSingleWrite(writeLog, logbook::kWriteByte, runStart, run, 0);
    if (opened) link_.ClosePort();
    writeRunning_ = false;
    if (onWriteRunning) onWriteRunning(false);
    return code;
}

void LogSingleWrite(SingleWriteLog& log, const char* operation, std::uint16_t address,
                    const std::vector<std::uint8_t>& bytes, int code) {
    if (!log.book || bytes.empty() || code == str::kPortUsedByOther) return;
    LogEntry entry;
    entry.operation = operation;
    entry.result = code == 0 ? logbook::kComplete : logbook::kFail;
    entry.machine = log.machine;
    entry.ecu = log.ecu;
    entry.hasData = true;
    entry.start = address;
    entry.data = bytes;
    std::string values;
    for (std::uint8_t byte : bytes) values += FormatText("%02X", byte);
    entry.detail = FormatText("%04X = ", address) + values;
    if (code != 0) entry.detail += "; " + Str(code);
    if (!log.book->Add(entry, log.error)) return;
    log.error.clear();
}
