#pragma once
// A serial link and protocol on a scripted port: each dispatch is one
// 100 ms link-timer tick, pauses are recorded instead of slept, and the log
// time is fixed.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/QelApp.h"
#include "ecu/EcuProtocol.h"
#include "ecu/ProgressDisplay.h"
#include "ecu/SerialLink.h"
#include "tests/support/FakeEventPump.h"
#include "tests/support/FakeSerialPort.h"
#include "tests/support/RecordingPrompt.h"
#include "tests/support/TempDir.h"

struct RecordingProgress : ProgressDisplay {
    std::vector<std::string> titles;
    std::vector<std::string> texts;
    int closeCount = 0;
    void Show(const std::string& title) override { titles.push_back(title); }
    void SetText(const std::string& text) override { texts.push_back(text); }
    void Close() override { ++closeCount; }
};

// Answers as an ECU does: the identification bytes for 0xBF, an echo of every
// command-phase byte; after the read command the record text at once (the
// tool's echoes are then ignored); after the write command an echo of each
// character and, once the closing record is through, the result byte.
struct FakeEcu {
    FakeSerialPort& port;
    std::string id = "M1";
    bool answerId = true;
    std::uint8_t readCommand = 'Y';    // set B
    std::uint8_t writeCommand = 'X';
    std::string records;
    int echoCharacters = -1;           // block write: echo this many, then go quiet
    bool sendResult = true;
    std::uint8_t result = '0';
    std::string received;              // block write text as received

    enum class State { kCommand, kData, kWrite } state = State::kCommand;

    explicit FakeEcu(FakeSerialPort& p) : port(p) {
        port.onWrite = [this](std::uint8_t b) { OnWrite(b); };
    }
    void OnWrite(std::uint8_t b) {
        switch (state) {
        case State::kCommand:
            if (b == 0xBF) {
                if (answerId) port.Feed(id);
                return;
            }
            port.Feed({b});
            if (b == readCommand) {
                port.Feed(records);
                state = State::kData;
            } else if (b == writeCommand) {
                state = State::kWrite;
            }
            return;
        case State::kData:
            // The tool's echoes of the records; an identification request
            // starts the next command.
            if (b != 0xBF) return;
            state = State::kCommand;
            OnWrite(b);
            return;
        case State::kWrite:
            if (echoCharacters >= 0 && static_cast<int>(received.size()) >= echoCharacters) return;
            received.push_back(static_cast<char>(b));
            port.Feed({b});
            if (received.size() >= 10 && received.compare(received.size() - 10, 10, "S9030000FC") == 0) {
                if (sendResult) port.Feed({result});
                state = State::kCommand;
            }
            return;
        }
    }
};

struct EcuFixture : ::testing::Test {
    TempDir dir;
    CQelApp app{MakeOptions(dir)};
    FakeSerialPort port;
    FakeEventPump pump;
    SerialLink link{app, port, pump, pump};
    RecordingPrompt prompt;
    RecordingProgress progress;
    EcuProtocol protocol{app, app.definitionLines, link, prompt, progress};
    std::vector<int> pauses;

    static AppOptions MakeOptions(const TempDir& dir) {
        AppOptions options;
        options.registryPath = dir.File("registry.reg");
        return options;
    }

    EcuFixture() {
        SetTestLine(app);
        pump.onDispatch = [this] {
            if (pump.running) link.OnTick();
        };
        link.sleepMs = [this](int ms) { pauses.push_back(ms); };
        link.clockMs = [] { return 1234L; };
    }

    // The line settings, identification and command sets of the test machine.
    static void SetTestLine(CQelApp& app) {
        app.portCode = 0;
        app.speedCode = 3;
        app.dataBitsCode = 1;
        app.parityCode = 0;
        app.stopBitsCode = 0;
        app.flowCode = 0;
        app.readTimeout = 50;
        app.waitTime = 100;
        app.retryCount = 9;
        app.ecRetryCount = 4;
        app.registry.expectedId = {{'M', '1', 0}};
        app.registry.readEcuNum = 30;
        // The two command sets as start-up fills them.
        const std::string letters = "JjLMmNSsWRV", setB = "HhKOoQUuXYZ";
        for (std::size_t i = 0; i < letters.size(); ++i) {
            app.commandSetA[letters[i]] = letters[i];
            app.commandSetB[letters[i]] = setB[i];
        }
        app.commandSetSelector = kCommandSetB;
    }

    // Opens the port with the timer as an operation would, with the
    // open-time identification answered, and forgets what that wrote.
    void OpenQuietly() {
        port.Feed("M1");
        ASSERT_TRUE(link.OpenPort(true));
        port.written.clear();
        port.input.clear();
        port.clearErrorCount = 0;
    }

    std::string Log() const { return dir.Read("comm.log"); }
};
