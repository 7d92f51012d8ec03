// The POSIX serial port on a pseudo-terminal pair made here, its device
// names, and the headless pump's link timer.
#include "platform/SerialPort.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "config/RegistrySettings.h"
#include "platform/EventPump.h"
#include "platform/RegistryStore.h"
#include "tests/support/TempDir.h"

namespace {

using Clock = std::chrono::steady_clock;

long MsSince(Clock::time_point start) {
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

// The other end of the line: a pseudo-terminal master in raw mode.
struct PtyPair {
    int master = -1;
    std::string slave;
    PtyPair() {
        master = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) return;
        slave = ::ptsname(master);
        termios tio{};
        ::tcgetattr(master, &tio);
        ::cfmakeraw(&tio);
        ::tcsetattr(master, TCSANOW, &tio);
    }
    ~PtyPair() {
        if (master >= 0) ::close(master);
    }
    void Send(const std::string& bytes) const {
        ASSERT_EQ(::write(master, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }
};

struct PosixSerialPortTest : ::testing::Test {
    PtyPair pty;
    PosixSerialPort port;
    void SetUp() override {
        ASSERT_FALSE(pty.slave.empty());
        ASSERT_TRUE(port.Open(pty.slave, LineSettings{}));
        // Generous totals so a busy machine cannot starve a read; the short
        // interval ends a read once the line falls silent after data.
        SetTimeouts(30, 2000);
    }
    void SetTimeouts(int intervalMs, int perByteMs) {
        PortTimeouts timeouts;
        timeouts.readIntervalMs = intervalMs;
        timeouts.readTotalMultiplierMs = perByteMs;
        timeouts.writeTotalMultiplierMs = perByteMs;
        port.SetTimeouts(timeouts);
    }
};

TEST_F(PosixSerialPortTest, BytesPassBothWaysUnchanged) {
    pty.Send(std::string("\x00\x0D\x0A\xFF\x7F", 5));
    std::uint8_t buffer[5] = {};
    std::size_t count = 0;
    ASSERT_TRUE(port.Read(buffer, 5, count));
    ASSERT_EQ(count, 5u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), 5), std::string("\x00\x0D\x0A\xFF\x7F", 5));
    const std::uint8_t out[3] = {0x0A, 0x0D, 0xBF};
    ASSERT_TRUE(port.Write(out, 3));
    char received[3] = {};
    ASSERT_EQ(::read(pty.master, received, 3), 3);
    EXPECT_EQ(std::string(received, 3), "\x0A\x0D\xBF");
}

// XON/XOFF is on by default, and 0x11 and 0x13 are bytes of the ECU's
// answers like any other: none may be swallowed, none may stop the output.
TEST_F(PosixSerialPortTest, FlowControlBytesFromTheLineAreDataAndStopNothing) {
    pty.Send("\x13\x11\x13\x13\x41");
    std::uint8_t buffer[5] = {};
    std::size_t count = 0;
    ASSERT_TRUE(port.Read(buffer, 5, count));
    ASSERT_EQ(count, 5u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), 5), "\x13\x11\x13\x13\x41");

    // The last flow byte was an XOFF: the output runs all the same, and the
    // flow bytes we send go out as they are.
    pty.Send("\x13");
    ASSERT_TRUE(port.Read(buffer, 1, count));
    ASSERT_EQ(count, 1u);
    const std::uint8_t out[3] = {0x13, 0x11, 0x55};
    ASSERT_TRUE(port.Write(out, 3));
    char received[3] = {};
    pollfd entry{pty.master, POLLIN, 0};
    ASSERT_EQ(::poll(&entry, 1, 2000), 1) << "the output stayed stopped";
    ASSERT_EQ(::read(pty.master, received, 3), 3);
    EXPECT_EQ(std::string(received, 3), "\x13\x11\x55");

    // What the setting still means: the port may ask the far end to pause.
    const int other = ::open(pty.slave.c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(other, 0);
    termios tio{};
    ASSERT_EQ(::tcgetattr(other, &tio), 0);
    EXPECT_EQ(tio.c_iflag & IXON, 0u);
    EXPECT_NE(tio.c_iflag & IXOFF, 0u);
    ::close(other);
    LineSettings off;
    off.xonXoff = false;
    ASSERT_TRUE(port.Open(pty.slave, off));
    const int again = ::open(pty.slave.c_str(), O_RDWR | O_NOCTTY);
    ASSERT_EQ(::tcgetattr(again, &tio), 0);
    EXPECT_EQ(tio.c_iflag & (IXON | IXOFF), 0u);
    ::close(again);
}

TEST_F(PosixSerialPortTest, OpeningAndClearingTheErrorStateRestartStoppedOutput) {
    SetTimeouts(30, 100);   // a write gives up after 100 ms per byte
    // Somebody else on the line suspends its output.
    const int other = ::open(pty.slave.c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(other, 0);
    auto arrives = [this](std::uint8_t byte) {
        if (!port.Write(&byte, 1)) return false;
        pollfd entry{pty.master, POLLIN, 0};
        std::uint8_t got = 0;
        return ::poll(&entry, 1, 500) == 1 && ::read(pty.master, &got, 1) == 1 && got == byte;
    };
    ASSERT_EQ(::tcflow(other, TCOOFF), 0);
    EXPECT_FALSE(arrives(0x31));   // the stop is real
    port.ClearError();
    EXPECT_TRUE(arrives(0x32));

    ASSERT_EQ(::tcflow(other, TCOOFF), 0);
    port.Close();
    ASSERT_TRUE(port.Open(pty.slave, LineSettings{}));
    SetTimeouts(30, 100);
    EXPECT_TRUE(arrives(0x33));
    ::close(other);
}

TEST_F(PosixSerialPortTest, AReadOnASilentLineIsASuccessWithNothing) {
    SetTimeouts(30, 30);
    std::uint8_t byte = 0;
    std::size_t count = 7;
    const auto start = Clock::now();
    EXPECT_TRUE(port.Read(&byte, 1, count));
    EXPECT_EQ(count, 0u);
    EXPECT_GE(MsSince(start), 28);
    EXPECT_EQ(port.LastError(), 0);
}

TEST_F(PosixSerialPortTest, AReadReturnsWhatArrivedWhenTheLineFallsSilent) {
    pty.Send("AB");
    std::uint8_t buffer[8] = {};
    std::size_t count = 0;
    EXPECT_TRUE(port.Read(buffer, 8, count));
    EXPECT_EQ(count, 2u);
}

TEST_F(PosixSerialPortTest, ClearingDropsPendingInput) {
    pty.Send("stale");
    std::uint8_t byte = 0;
    std::size_t count = 0;
    ASSERT_TRUE(port.Read(&byte, 1, count));   // the rest has arrived with it
    ASSERT_EQ(count, 1u);
    port.ClearError();
    SetTimeouts(30, 30);
    EXPECT_TRUE(port.Read(&byte, 1, count));
    EXPECT_EQ(count, 0u);
}

TEST_F(PosixSerialPortTest, AVanishedLineIsAFailureNotATimeout) {
    ::close(pty.master);
    pty.master = -1;
    std::uint8_t byte = 0;
    std::size_t count = 0;
    EXPECT_FALSE(port.Read(&byte, 1, count));
    EXPECT_NE(port.LastError(), 0);
}

// After a write the port waits for the answer partly awake, timed from the
// line's speed. Whenever the answer comes (already there, inside that
// window, long after it, or after many late ones in a row) the read takes it
// whole and in order; a silent line still ends the read at its time-out, and
// a line that vanishes while the answer is awaited is a failure.
TEST_F(PosixSerialPortTest, TheAnswerToAWriteIsReadWholeWhenEverItComes) {
    LineSettings fast;
    fast.baud = 19200;   // answers due about a millisecond after each write
    ASSERT_TRUE(port.Open(pty.slave, fast));
    SetTimeouts(30, 2000);
    auto exchange = [this](std::uint8_t out, const std::string& answer, std::chrono::microseconds delay) {
        if (!port.Write(&out, 1)) return std::string("write failed");
        char sent = 0;
        if (::read(pty.master, &sent, 1) != 1 || static_cast<std::uint8_t>(sent) != out) return std::string("lost");
        std::thread far([&] {
            std::this_thread::sleep_for(delay);
            pty.Send(answer);
        });
        std::uint8_t buffer[8] = {};
        std::size_t count = 0;
        const bool ok = port.Read(buffer, answer.size(), count);
        far.join();
        if (!ok) return std::string("read failed");
        return std::string(reinterpret_cast<char*>(buffer), count);
    };
    using std::chrono::microseconds;
    EXPECT_EQ(exchange(0x31, "\x31", microseconds(0)), "\x31");
    EXPECT_EQ(exchange(0x32, "\x32\x13", microseconds(900)), "\x32\x13");
    EXPECT_EQ(exchange(0x33, "\x33", microseconds(1100)), "\x33");
    for (int i = 0; i < 20; ++i) {   // late every time: the port gives up waiting awake
        ASSERT_EQ(exchange(static_cast<std::uint8_t>(0x40 + i), "ok", microseconds(8000)), "ok") << i;
    }
    EXPECT_EQ(exchange(0x34, "\x34", microseconds(0)), "\x34");

    SetTimeouts(30, 30);
    const std::uint8_t unanswered = 0x35;
    ASSERT_TRUE(port.Write(&unanswered, 1));
    const auto start = Clock::now();
    std::uint8_t byte = 0;
    std::size_t count = 7;
    EXPECT_TRUE(port.Read(&byte, 1, count));
    EXPECT_EQ(count, 0u);
    EXPECT_GE(MsSince(start), 28);

    ASSERT_TRUE(port.Write(&unanswered, 1));
    ::close(pty.master);
    pty.master = -1;
    EXPECT_FALSE(port.Read(&byte, 1, count));
    EXPECT_NE(port.LastError(), 0);
}

TEST_F(PosixSerialPortTest, AClosedPortFailsEveryTransfer) {
    port.Close();
    std::uint8_t byte = 0;
    std::size_t count = 0;
    EXPECT_FALSE(port.Read(&byte, 1, count));
    EXPECT_FALSE(port.Write(&byte, 1));
    EXPECT_FALSE(port.IsOpen());
}

TEST(PosixSerialPortOpenTest, WhatIsNoTerminalDoesNotOpen) {
    TempDir dir;
    PosixSerialPort port;
    EXPECT_FALSE(port.Open(dir.Write("plain.txt", "x"), LineSettings{}));
    EXPECT_FALSE(port.Open(dir.File("missing"), LineSettings{}));
    EXPECT_NE(port.LastError(), 0);
    EXPECT_FALSE(port.IsOpen());
}

TEST(ResolveSerialDeviceTest, ComNamesComeFromEnvironmentThenRegistryThenTheDefault) {
    TempDir dir;
    RegistryStore registry(dir.File("registry.reg"));
    ::unsetenv("RV_TUNE_COM3");
    EXPECT_EQ(ResolveSerialDevice("COM3", &registry), "/dev/ttyS2");
    EXPECT_EQ(ResolveSerialDevice("com1", nullptr), "/dev/ttyS0");
    ASSERT_TRUE(registry.SetString(kSerialPortsKey, "COM3", "/dev/ttyUSB0"));
    EXPECT_EQ(ResolveSerialDevice("COM3", &registry), "/dev/ttyUSB0");
    ::setenv("RV_TUNE_COM3", "/tmp/ecu-link", 1);
    EXPECT_EQ(ResolveSerialDevice("COM3", &registry), "/tmp/ecu-link");
    ::unsetenv("RV_TUNE_COM3");
    // Anything else is a path, taken as it is.
    EXPECT_EQ(ResolveSerialDevice("/dev/pts/4", &registry), "/dev/pts/4");
    EXPECT_EQ(ResolveSerialDevice("COM", &registry), "COM");
    EXPECT_EQ(ResolveSerialDevice("COM0", &registry), "COM0");
    EXPECT_EQ(ResolveSerialDevice("COM1x", &registry), "COM1x");
}

TEST(HeadlessEventPumpTest, TheLinkTimerFiresOnlyWhileRunningAndNotFasterThanItsPeriod) {
    HeadlessEventPump pump;
    int ticks = 0;
    pump.onTick = [&] { ++ticks; };
    for (int i = 0; i < 10; ++i) pump.DispatchAll();
    EXPECT_EQ(ticks, 0);

    const auto start = Clock::now();
    pump.StartLinkTimer();
    // Bounded by dispatches; 10 s of them is only a safety net.
    for (int i = 0; i < 5000 && ticks < 3; ++i) pump.DispatchOne();
    EXPECT_EQ(ticks, 3);
    EXPECT_GE(MsSince(start), 3 * LinkTimer::kPeriodMs - 5);

    pump.StopLinkTimer();
    for (int i = 0; i < 100; ++i) pump.DispatchOne();
    EXPECT_EQ(ticks, 3);
}

TEST(HeadlessEventPumpTest, ATickDoesNotFireInsideItself) {
    HeadlessEventPump pump;
    int depth = 0, deepest = 0, ticks = 0;
    pump.onTick = [&] {
        ++ticks;
        deepest = std::max(deepest, ++depth);
        for (int i = 0; i < 60; ++i) pump.DispatchOne();   // waits inside the tick
        --depth;
    };
    pump.StartLinkTimer();
    for (int i = 0; i < 5000 && ticks < 2; ++i) pump.DispatchOne();
    EXPECT_EQ(ticks, 2);
    EXPECT_EQ(deepest, 1);
}

}  // namespace
