// ecusim: a simulated ECU on a pseudo-terminal. The tool (RV_Tune, rvtune or
// a test) opens the linked path as its serial port and talks to this
// program exactly as to the engine control unit.
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <string>

#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include "tools/ecusim/EcuDevice.h"
#include "tools/ecusim/SimImage.h"
#include "tools/ecusim/SimOptions.h"

namespace {

volatile std::sig_atomic_t g_stop = 0;

void OnSignal(int) { g_stop = 1; }

volatile std::sig_atomic_t g_chaosOn = 0;
void OnChaosSignal(int signal) { g_chaosOn = signal == SIGUSR1 ? 1 : 0; }

// Random faults of a bad line between the ECU and the tool, while switched
// on: each byte either way may be lost, an answer byte may come changed
// (a wrong echo), a stray byte, XON or XOFF may slip in, the line may go
// dead for 3 s, or a flood of noise may arrive. Rates are per byte.
class LineChaos {
public:
    using Clock = EcuDevice::Clock;
    explicit LineChaos(long seed) : enabled_(seed >= 0), state_(static_cast<std::uint32_t>(seed) * 2654435761u + 1) {}

    bool On() const { return enabled_ && g_chaosOn; }
    // Whether the tool's byte reaches the ECU.
    bool PassIn(Clock::time_point now) {
        if (!On()) return true;
        if (now < silentUntil_) return false;
        if (Chance(3000)) silentUntil_ = now + std::chrono::seconds(3);
        return !Chance(300);
    }
    // The ECU's bytes as they go onto the line.
    void Out(std::deque<std::uint8_t>& output, std::deque<std::uint8_t>& line, Clock::time_point now) {
        if (!On()) {
            line.insert(line.end(), output.begin(), output.end());
            output.clear();
            return;
        }
        for (const std::uint8_t byte : output) {
            if (now < silentUntil_ || Chance(300)) continue;
            if (Chance(300)) line.push_back(static_cast<std::uint8_t>(Next()));
            if (Chance(300)) line.push_back(Chance(2) ? 0x11 : 0x13);
            line.push_back(Chance(300) ? static_cast<std::uint8_t>(byte ^ (1u << (Next() % 8))) : byte);
            if (Chance(4000))
                for (int i = 0; i < 400; ++i) line.push_back(static_cast<std::uint8_t>(Next()));
        }
        output.clear();
    }

private:
    std::uint32_t Next() {
        state_ = state_ * 1103515245u + 12345u;
        return state_ >> 8;
    }
    bool Chance(std::uint32_t oneIn) { return Next() % oneIn == 0; }
    bool enabled_;
    std::uint32_t state_;
    Clock::time_point silentUntil_{};
};

int Fail(const std::string& message) {
    std::fprintf(stderr, "ecusim: %s\n", message.c_str());
    return 2;
}

void MakeRaw(int fd) {
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0) return;
    ::cfmakeraw(&tio);
    ::tcsetattr(fd, TCSANOW, &tio);
}

// The pseudo-terminal and the link to its device. Holding the device side
// open ourselves keeps the line up while no tool has it open, as a real port
// stays wired.
struct Pty {
    int master = -1;
    int slave = -1;
    std::string slavePath;
};

bool OpenPty(const std::string& linkPath, Pty& pty, std::string& error) {
    pty.master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (pty.master < 0 || ::grantpt(pty.master) != 0 || ::unlockpt(pty.master) != 0) {
        error = std::string("cannot create a pseudo-terminal: ") + std::strerror(errno);
        return false;
    }
    const char* slaveName = ::ptsname(pty.master);
    if (!slaveName) {
        error = "cannot name the pseudo-terminal";
        return false;
    }
    pty.slavePath = slaveName;
    pty.slave = ::open(pty.slavePath.c_str(), O_RDWR | O_NOCTTY);
    if (pty.slave < 0) {
        error = "cannot open " + pty.slavePath + ": " + std::strerror(errno);
        return false;
    }
    MakeRaw(pty.slave);
    MakeRaw(pty.master);
    ::fcntl(pty.master, F_SETFL, ::fcntl(pty.master, F_GETFL) | O_NONBLOCK);

    struct stat existing {};
    if (::lstat(linkPath.c_str(), &existing) == 0) {
        if (!S_ISLNK(existing.st_mode)) {
            error = linkPath + " exists and is no link";
            return false;
        }
        ::unlink(linkPath.c_str());   // a link left by an ecusim that was killed
    }
    if (::symlink(pty.slavePath.c_str(), linkPath.c_str()) != 0) {
        error = "cannot link " + linkPath + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

// SIGTERM and SIGINT are let through only while waiting in ppoll, so a stop
// request cannot slip in between the check and the wait. Returns the signal
// mask for that wait.
sigset_t BlockStopSignals() {
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
    struct sigaction chaos {};
    chaos.sa_handler = OnChaosSignal;
    sigemptyset(&chaos.sa_mask);
    ::sigaction(SIGUSR1, &chaos, nullptr);
    ::sigaction(SIGUSR2, &chaos, nullptr);
    sigset_t blocked, waiting;
    sigemptyset(&blocked);
    sigaddset(&blocked, SIGTERM);
    sigaddset(&blocked, SIGINT);
    ::sigprocmask(SIG_BLOCK, &blocked, &waiting);
    sigdelset(&waiting, SIGTERM);
    sigdelset(&waiting, SIGINT);
    return waiting;
}

// Moves bytes between the device and the line until a stop signal: 0, or
// the exit code after a failure of the pseudo-terminal.
int RunLine(EcuDevice& device, int master, long baud, bool precise, const sigset_t& waiting, LineChaos& chaos) {
    using Clock = EcuDevice::Clock;
    const auto byteTime = baud > 0 ? std::chrono::microseconds(10'000'000 / baud)
                                   : std::chrono::microseconds(0);
    // A paced byte reaches the tool when its character time on the line is
    // over: it is written at writeAt, one character time after the line
    // became free for it.
    Clock::time_point lineFree = Clock::now();
    Clock::time_point writeAt = lineFree;
    bool writeScheduled = false;
    // With a baud rate the tool's bytes cross the line too: each has arrived
    // one character time after the one before it, at the earliest, and no
    // answer to it can start on the line before then. The device takes the
    // byte at once, stamped with that time, which saves a wake-up per byte.
    Clock::time_point lastDelivery = Clock::now();
    // What the line carries: the device's answers through the chaos.
    std::deque<std::uint8_t> output;
    bool wasOn = false;
    while (!g_stop) {
        const Clock::time_point now = Clock::now();
        device.OnTime(now);
        if (wasOn && !chaos.On()) output.clear();   // noise still queued goes with the faults
        wasOn = chaos.On();
        chaos.Out(device.Output(), output, now);
        if (baud > 0 && !output.empty() && !writeScheduled) {
            writeAt = std::max({now, lineFree, lastDelivery}) + byteTime;
            writeScheduled = true;
        }
        const bool mayWrite = !output.empty() && (baud == 0 || now >= writeAt);

        // Sleep until input, room for output, the next paced byte or a
        // command's time-out, whichever comes first.
        Clock::time_point wake = device.NextDeadline();
        if (!output.empty() && !mayWrite && writeAt < wake) wake = precise ? now : writeAt;
        timespec timeout{};
        timespec* timeoutPointer = nullptr;
        if (wake != Clock::time_point::max()) {
            const auto left = std::max(Clock::duration::zero(), wake - now);
            const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
            timeout.tv_sec = static_cast<time_t>(ns / 1'000'000'000);
            timeout.tv_nsec = static_cast<long>(ns % 1'000'000'000);
            timeoutPointer = &timeout;
        }
        pollfd entry{master, static_cast<short>(POLLIN | (mayWrite ? POLLOUT : 0)), 0};
        const int ready = ::ppoll(&entry, 1, timeoutPointer, &waiting);
        if (ready < 0) {
            if (errno == EINTR) continue;
            return Fail(std::string("poll: ") + std::strerror(errno));
        }
        if (entry.revents & (POLLERR | POLLNVAL)) {
            return Fail("the pseudo-terminal failed");
        }
        if (entry.revents & POLLIN) {
            std::uint8_t buffer[256];
            const ssize_t got = ::read(master, buffer, sizeof buffer);
            const Clock::time_point arrived = Clock::now();
            for (ssize_t i = 0; i < got; ++i) {
                if (baud > 0) lastDelivery = std::max(lastDelivery, arrived) + byteTime;
                if (!chaos.PassIn(arrived)) continue;
                device.OnByte(buffer[i], baud > 0 ? lastDelivery : arrived);
            }
        }
        if ((entry.revents & POLLOUT) && !output.empty()) {
            if (baud > 0) {
                const std::uint8_t byte = output.front();
                if (::write(master, &byte, 1) == 1) {
                    output.pop_front();
                    lineFree = writeAt;
                    writeScheduled = false;
                }
            } else {
                std::uint8_t buffer[512];
                std::size_t n = 0;
                while (n < sizeof buffer && n < output.size()) buffer[n] = output[n], ++n;
                const ssize_t put = ::write(master, buffer, n);
                for (ssize_t i = 0; i < put; ++i) output.pop_front();
            }
        }
    }

    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    SimOptions options;
    std::string error;
    if (!ParseSimOptions(argc, argv, options, error)) return Fail(error);
    if (options.help) {
        std::fputs(kSimUsage, stdout);
        return 0;
    }

    SimImage image;
    if (!options.imagePath.empty()) {
        if (!LoadSimImage(options.imagePath, image, error)) return Fail(error);
        options.device.readFirst = image.first;
        options.device.readLast = image.last;
    }
    if (options.rangeGiven) {
        options.device.readFirst = options.rangeFirst;
        options.device.readLast = options.rangeLast;
    }

    Pty pty;
    if (!OpenPty(options.linkPath, pty, error)) return Fail(error);
    const sigset_t waiting = BlockStopSignals();
    std::printf("ecusim: %s -> %s\n", options.linkPath.c_str(), pty.slavePath.c_str());
    std::fflush(stdout);

    // Paced bytes are timed to a character time of half a millisecond; the
    // default timer slack of the kernel would add tens of microseconds to
    // every wake-up.
    ::prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    EcuDevice device(options.device, image.bytes);
    LineChaos chaos(options.chaosSeed);
    int result = RunLine(device, pty.master, options.baud, options.precise, waiting, chaos);

    if (!options.savePath.empty() &&
        !SaveSimImage(options.savePath, image.bytes, options.device.readFirst, options.device.readLast, error))
        result = Fail(error);
    char target[4096];
    const ssize_t length = ::readlink(options.linkPath.c_str(), target, sizeof target - 1);
    if (length > 0 && pty.slavePath == std::string(target, static_cast<std::size_t>(length)))
        ::unlink(options.linkPath.c_str());
    ::close(pty.slave);
    ::close(pty.master);
    return result;
}
