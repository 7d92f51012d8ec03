#include "platform/SerialPort.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <termios.h>
#include <unistd.h>

#include "platform/RegistryStore.h"

namespace {

using Clock = std::chrono::steady_clock;

// "COM<n>" in any letter case with n >= 1; 0 for any other name.
int ComNumber(const std::string& name) {
    if (name.size() < 4 || name.size() > 8) return 0;
    for (int i = 0; i < 3; ++i) {
        const char c = static_cast<char>(name[static_cast<std::size_t>(i)] & ~0x20);
        if (c != "COM"[i]) return 0;
    }
    int number = 0;
    for (std::size_t i = 3; i < name.size(); ++i) {
        if (name[i] < '0' || name[i] > '9') return 0;
        number = number * 10 + (name[i] - '0');
    }
    return number;
}

speed_t SpeedConstant(int baud, bool& known) {
    known = true;
    switch (baud) {
    case 300: return B300;
    case 600: return B600;
    case 1200: return B1200;
    case 2400: return B2400;
    case 4800: return B4800;
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    default: known = false; return B9600;
    }
}

int NonNegative(int value) { return value < 0 ? 0 : value; }

// Milliseconds until deadline, rounded up so a poll never wakes just short of it.
long long MsUntil(Clock::time_point deadline) {
    const auto left = deadline - Clock::now();
    if (left <= Clock::duration::zero()) return 0;
    return std::chrono::duration_cast<std::chrono::milliseconds>(left + std::chrono::microseconds(999))
        .count();
}

// Before an answer is due the port sleeps; this long before it, it stays
// awake so the answer is taken the moment it arrives. Longer than the
// kernel's default timer slack (50 us); staying awake longer only takes
// the processor from the far end of a pseudo-terminal.
constexpr auto kAwakeLead = std::chrono::microseconds(150);
// After this many answers in a row later than awaited (a USB adapter that
// batches its input, a slow ECU), the port stops waiting awake until it is
// opened again.
constexpr int kMaxMissedAnswers = 16;

// The bits of one character: start bit, data, parity and stop bits.
int CharacterBits(const LineSettings& line) {
    return 1 + (line.dataBits == 7 ? 7 : 8) + (line.parity == Parity::kNone ? 0 : 1) +
           (line.stopBits == StopBits::kOne ? 1 : 2);
}

}  // namespace

std::string ResolveSerialDevice(const std::string& name, const RegistryStore* registry) {
    const int number = ComNumber(name);
    if (number <= 0) return name;
    const std::string comName = "COM" + std::to_string(number);
    const std::string variable = "RV_TUNE_" + comName;
    if (const char* fromEnv = std::getenv(variable.c_str()); fromEnv && *fromEnv) return fromEnv;
    if (registry) {
        if (auto value = registry->Query(kSerialPortsKey, comName);
            value && value->type == RegistryValue::Type::kString) {
            std::string text(value->data.begin(), value->data.end());
            text = text.substr(0, text.find('\0'));
            if (!text.empty()) return text;
        }
    }
    return "/dev/ttyS" + std::to_string(number - 1);
}

bool PosixSerialPort::Open(const std::string& device, const LineSettings& line) {
    Close();
    lastError_ = 0;
    lockHolder_ = 0;
    devicePath_ = ResolveSerialDevice(device, registry_);
    const int fd = ::open(devicePath_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        lastError_ = errno;
        return false;
    }
    // Not shared: a second program on the same port fails to open it. The
    // lock goes with the descriptor, so a crash cannot leave the port taken.
    // The record lock beside it carries no exclusion of its own (flock
    // already has it); it is there so that the second program can learn
    // who holds the port.
    struct flock record {};
    record.l_type = F_WRLCK;
    record.l_whence = SEEK_SET;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
        lastError_ = EBUSY;
        if (::fcntl(fd, F_GETLK, &record) == 0 && record.l_type != F_UNLCK) lockHolder_ = record.l_pid;
        ::close(fd);
        return false;
    }
    ::fcntl(fd, F_SETLK, &record);
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0) {
        lastError_ = errno;
        ::close(fd);
        return false;
    }

    // Raw binary transfer: no line editing, no echo, no character mapping, no
    // parity checking on input.
    tio.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR |
                                          ICRNL | IXON | IXOFF | IXANY | INPCK);
    tio.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    tio.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
    tio.c_cflag |= CREAD | CLOCAL | (line.dataBits == 7 ? CS7 : CS8);
    if (line.parity != Parity::kNone) tio.c_cflag |= PARENB;
    if (line.parity == Parity::kOdd) tio.c_cflag |= PARODD;
    if (line.stopBits != StopBits::kOne) tio.c_cflag |= CSTOPB;
    if (line.ctsOutputFlow) tio.c_cflag |= CRTSCTS;
    // Every byte from the ECU is data (identification, echoes, monitor
    // values, the write result), so received 0x11 and 0x13 are never taken
    // as XON and XOFF (no IXON). What remains of software flow control is the
    // port's own request to the ECU to pause while its input is full (IXOFF);
    // the lock-step protocol never lets it fill.
    if (line.xonXoff) {
        tio.c_iflag |= IXOFF;
        tio.c_cc[VSTART] = 0x11;
        tio.c_cc[VSTOP] = 0x13;
    }
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    bool known = false;
    const speed_t speed = SpeedConstant(line.baud, known);
    if (known) {
        ::cfsetispeed(&tio, speed);
        ::cfsetospeed(&tio, speed);
    }
    // Not checked: a pseudo-terminal refuses some of these and works anyway.
    ::tcsetattr(fd, TCSANOW, &tio);
    // A freshly opened port starts empty: bytes a previous session left in
    // the driver (a late monitor answer) would otherwise shift every answer
    // of the next exchange by one.
    ::tcflush(fd, TCIOFLUSH);
    // Output stopped by whoever had the line before (an XOFF taken while
    // IXON was on, a suspend) would hold every byte we send.
    ::tcflow(fd, TCOON);

    fd_ = fd;
    lastError_ = 0;
    characterTime_ = line.baud > 0 ? std::chrono::duration_cast<Clock::duration>(
                                         std::chrono::microseconds(1'000'000LL * CharacterBits(line) / line.baud))
                                   : Clock::duration::zero();
    answerAwaited_ = false;
    missedAnswers_ = 0;
    return true;
}

// Every exchange with the ECU is lock-step: a character out, its echo or
// answer back, the next character out. A read that sleeps in poll() until
// the answer is there pays a wake-up of the process on top of the line time
// for every character, tens of microseconds on a virtual machine. So the
// first read after a write sleeps only until shortly before the answer can
// have crossed the line (our characters out, one character back), and then
// polls without sleeping until it is there or one character time late.
void PosixSerialPort::AwaitAnswerAwake(Clock::time_point deadline, bool hasTotal) {
    answerAwaited_ = false;
    if (characterTime_ == Clock::duration::zero() || missedAnswers_ >= kMaxMissedAnswers) return;
    Clock::time_point awakeUntil = answerDue_ + characterTime_;
    if (hasTotal) awakeUntil = std::min(awakeUntil, deadline);
    Clock::time_point now = Clock::now();
    if (now >= awakeUntil) return;
    pollfd entry{fd_, POLLIN, 0};
    const Clock::time_point wakeAt = std::min(answerDue_ - kAwakeLead, awakeUntil);
    if (now < wakeAt) {
        const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(wakeAt - now).count();
        const timespec sleep{static_cast<time_t>(ns / 1'000'000'000), static_cast<long>(ns % 1'000'000'000)};
        if (::ppoll(&entry, 1, &sleep, nullptr) != 0) {   // here early, or the line failed
            missedAnswers_ = 0;
            return;
        }
    }
    do {
        if (::poll(&entry, 1, 0) != 0) {   // the answer, or a failure for the read to report
            missedAnswers_ = 0;
            return;
        }
    } while (Clock::now() < awakeUntil);
    ++missedAnswers_;
}

bool PosixSerialPort::Read(std::uint8_t* buffer, std::size_t n, std::size_t& count) {
    count = 0;
    lastError_ = 0;
    if (fd_ < 0) {
        lastError_ = EBADF;
        return false;
    }
    if (n == 0) return true;
    if (!buffer) {
        lastError_ = EINVAL;
        return false;
    }
    const long long interval = NonNegative(timeouts_.readIntervalMs);
    const long long totalMs = static_cast<long long>(NonNegative(timeouts_.readTotalMultiplierMs)) *
                                  static_cast<long long>(n) +
                              NonNegative(timeouts_.readTotalConstantMs);
    const bool hasTotal = totalMs > 0;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(totalMs);
    if (answerAwaited_) AwaitAnswerAwake(deadline, hasTotal);

    for (;;) {
        long long waitMs = -1;   // -1: no limit
        if (hasTotal) {
            waitMs = MsUntil(deadline);
            if (waitMs == 0) break;
        }
        if (count > 0 && interval > 0) waitMs = waitMs < 0 ? interval : std::min(waitMs, interval);
        pollfd entry{fd_, POLLIN, 0};
        const int ready = ::poll(&entry, 1, waitMs < 0 ? -1 : static_cast<int>(std::min(waitMs, 1LL << 30)));
        if (ready < 0) {
            if (errno == EINTR) continue;
            lastError_ = errno;
            return false;
        }
        if (ready == 0) break;   // a time-out: what has arrived is the result
        if (entry.revents & POLLNVAL) {
            lastError_ = EBADF;
            return false;
        }
        const ssize_t got = ::read(fd_, buffer + count, n - count);
        if (got > 0) {
            count += static_cast<std::size_t>(got);
            if (count >= n) break;
            continue;
        }
        if (got < 0 && (errno == EAGAIN || errno == EINTR)) continue;
        // End of file or an error: the line is gone (a pseudo-terminal whose
        // other side closed reports EIO).
        lastError_ = got == 0 ? EIO : errno;
        return false;
    }
    return true;
}

bool PosixSerialPort::Write(const std::uint8_t* data, std::size_t n) {
    lastError_ = 0;
    if (fd_ < 0) {
        lastError_ = EBADF;
        return false;
    }
    if (n == 0) return true;
    if (!data) {
        lastError_ = EINVAL;
        return false;
    }
    const long long totalMs = static_cast<long long>(NonNegative(timeouts_.writeTotalMultiplierMs)) *
                                  static_cast<long long>(n) +
                              NonNegative(timeouts_.writeTotalConstantMs);
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(totalMs);
    std::size_t done = 0;
    while (done < n) {
        const ssize_t put = ::write(fd_, data + done, n - done);
        if (put > 0) {
            done += static_cast<std::size_t>(put);
            if (done == n) {
                // Our characters still have to cross the line, then the
                // first of the answer.
                answerDue_ = Clock::now() + characterTime_ * static_cast<long>(n + 1);
                answerAwaited_ = true;
            }
            continue;
        }
        if (put < 0 && errno == EINTR) continue;
        if (put < 0 && errno != EAGAIN) {
            lastError_ = errno;
            return false;
        }
        // The output queue is full (or held by flow control): wait for room.
        long long waitMs = -1;
        if (totalMs > 0) {
            waitMs = MsUntil(deadline);
            if (waitMs == 0) {
                lastError_ = ETIMEDOUT;
                return false;
            }
        }
        pollfd entry{fd_, POLLOUT, 0};
        const int ready = ::poll(&entry, 1, waitMs < 0 ? -1 : static_cast<int>(std::min(waitMs, 1LL << 30)));
        if (ready < 0 && errno != EINTR) {
            lastError_ = errno;
            return false;
        }
        if (ready > 0 && (entry.revents & (POLLERR | POLLNVAL | POLLHUP))) {
            lastError_ = EIO;
            return false;
        }
    }
    return true;
}

void PosixSerialPort::ClearError() {
    if (fd_ >= 0) {
        ::tcflush(fd_, TCIFLUSH);
        ::tcflow(fd_, TCOON);   // stopped output is an error state of the line too
    }
    lastError_ = 0;
}

void PosixSerialPort::Close() {
    if (fd_ < 0) return;
    ::close(fd_);   // also releases the lock
    fd_ = -1;
}
