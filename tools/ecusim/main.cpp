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
#include <string>

#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include "tools/ecusim/EcuDevice.h"
#include "tools/ecusim/SimImage.h"

namespace {

constexpr const char* kUsage =
    "Usage: ecusim --link PATH [options]\n"
    "\n"
    "Simulates the ECU on a pseudo-terminal and links PATH to its device, so a\n"
    "tool opens PATH (or COM<n> with RV_TUNE_COM<n>=PATH) as its serial port.\n"
    "Runs until SIGTERM or SIGINT, then removes the link.\n"
    "\n"
    "Options:\n"
    "  --link PATH          symbolic link to create for the device (required)\n"
    "  --image FILE         memory image: a .qsd data file (its [Data] S1 records)\n"
    "                       or an S-record file; without it memory is all zero\n"
    "  --range FIRST-LAST   addresses a block read sends, in hex (default: the\n"
    "                       loaded records, else 0000-FFFF)\n"
    "  --save FILE          write the range back as S-records at exit\n"
    "  --id XY              identification bytes, two characters or 4 hex digits\n"
    "                       after 0x (default M1)\n"
    "  --set A|B            command set (default B)\n"
    "  --result-byte C      result byte of an intact block write, a character or\n"
    "                       0xHH (default 0); a bad record gives E\n"
    "  --item HH:L          monitor item: request byte HH answers L (1 or 2) bytes;\n"
    "                       adds to the default items 01-0F (2 bytes), 10-3F (1 byte)\n"
    "  --value HH=VALUE     monitor item HH always answers VALUE (hex), as it is:\n"
    "                       the only way to get the bytes 11 and 13 (XON, XOFF)\n"
    "                       into an answer; the identification (--id) and the\n"
    "                       result byte (--result-byte) take them directly\n"
    "  --baud N             pace the bytes both ways as a line of N baud would\n"
    "  --echo-timeout MS    how long a half-done command waits (default 2000)\n"
    "  --fault NAME         inject a fault (repeatable):\n"
    "                         silent         answer nothing at all\n"
    "                         wrong-id       identification answers another ECU type\n"
    "                         wrong-echo     command letters come back changed\n"
    "                         stop-after=N   a block read goes quiet after N records\n"
    "                         flood          after the first request, stray bytes\n"
    "                                        without end\n"
    "                         no-result      a block write gets no result byte\n"
    "                         stop-echo=N    a block write stops echoing after N\n"
    "                                        characters\n"
    "                         bad-hex=N      a block read sends its N-th record\n"
    "                                        (from 1) with a character that is no\n"
    "                                        hex digit\n"
    "                         bad-sum=N      ... with a wrong checksum\n"
    "                         bad-count=N    ... with a count one above its bytes\n"
    "  --help               this text\n";

volatile std::sig_atomic_t g_stop = 0;

void OnSignal(int) { g_stop = 1; }

int Fail(const std::string& message) {
    std::fprintf(stderr, "ecusim: %s\n", message.c_str());
    return 2;
}

bool ParseNumber(const std::string& text, int base, long& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    value = std::strtol(text.c_str(), &end, base);
    return errno == 0 && end && *end == '\0';
}

bool ParseByte(const std::string& text, std::uint8_t& value) {
    long number = 0;
    if (text.size() == 1) {
        value = static_cast<std::uint8_t>(text[0]);
        return true;
    }
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X') &&
        ParseNumber(text.substr(2), 16, number) && number >= 0 && number <= 0xFF) {
        value = static_cast<std::uint8_t>(number);
        return true;
    }
    return false;
}

bool ParseFault(const std::string& text, DeviceOptions& options) {
    const std::size_t equals = text.find('=');
    const std::string name = text.substr(0, equals);
    long count = -1;
    if (equals != std::string::npos &&
        (!ParseNumber(text.substr(equals + 1), 10, count) || count < 0 || count > 1000000))
        return false;
    const bool needsCount = name == "stop-after" || name == "stop-echo" || name == "bad-hex" ||
                            name == "bad-sum" || name == "bad-count";
    if (needsCount != (equals != std::string::npos)) return false;
    if (name == "silent") options.silent = true;
    else if (name == "wrong-id") options.wrongId = true;
    else if (name == "wrong-echo") options.wrongEcho = true;
    else if (name == "flood") options.flood = true;
    else if (name == "no-result") options.noResult = true;
    else if (name == "stop-after") options.stopAfterRecords = static_cast<int>(count);
    else if (name == "stop-echo") options.stopEchoAfter = static_cast<int>(count);
    else if (name == "bad-hex" && count >= 1) options.badHexRecord = static_cast<int>(count);
    else if (name == "bad-sum" && count >= 1) options.badChecksumRecord = static_cast<int>(count);
    else if (name == "bad-count" && count >= 1) options.badCountRecord = static_cast<int>(count);
    else return false;
    return true;
}

void MakeRaw(int fd) {
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0) return;
    ::cfmakeraw(&tio);
    ::tcsetattr(fd, TCSANOW, &tio);
}

}  // namespace

int main(int argc, char** argv) {
    std::string linkPath, imagePath, savePath, range;
    long baud = 0;
    DeviceOptions options;
    options.items = DefaultMonitorItems();

    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (i + 1 >= argc) return Fail("missing value after " + arg + "\n" + kUsage);
        const std::string value = argv[++i];
        long number = 0;
        if (arg == "--link") {
            linkPath = value;
        } else if (arg == "--image") {
            imagePath = value;
        } else if (arg == "--save") {
            savePath = value;
        } else if (arg == "--range") {
            range = value;
        } else if (arg == "--id") {
            if (value.size() == 2) {
                options.id[0] = static_cast<std::uint8_t>(value[0]);
                options.id[1] = static_cast<std::uint8_t>(value[1]);
            } else if (value.size() == 6 && value.compare(0, 2, "0x") == 0 &&
                       ParseNumber(value.substr(2), 16, number)) {
                options.id[0] = static_cast<std::uint8_t>(number >> 8);
                options.id[1] = static_cast<std::uint8_t>(number & 0xFF);
            } else {
                return Fail("--id takes two characters or 0xHHHH");
            }
        } else if (arg == "--set") {
            if (value != "A" && value != "B") return Fail("--set takes A or B");
            options.setA = value == "A";
        } else if (arg == "--result-byte") {
            if (!ParseByte(value, options.resultByte)) return Fail("--result-byte takes C or 0xHH");
        } else if (arg == "--item") {
            const std::size_t colon = value.find(':');
            long length = 0;
            if (colon == std::string::npos || !ParseNumber(value.substr(0, colon), 16, number) ||
                number < 0 || number > 0xFF || !ParseNumber(value.substr(colon + 1), 10, length) ||
                (length != 1 && length != 2))
                return Fail("--item takes HH:1 or HH:2");
            options.items[static_cast<std::uint8_t>(number)] = static_cast<int>(length);
        } else if (arg == "--value") {
            const std::size_t equals = value.find('=');
            long fixed = 0;
            if (equals == std::string::npos || !ParseNumber(value.substr(0, equals), 16, number) ||
                number < 0 || number > 0xFF || !ParseNumber(value.substr(equals + 1), 16, fixed) ||
                fixed < 0 || fixed > 0xFFFF)
                return Fail("--value takes HH=VALUE in hex, VALUE up to FFFF");
            options.fixedValues[static_cast<std::uint8_t>(number)] = static_cast<unsigned>(fixed);
        } else if (arg == "--baud") {
            if (!ParseNumber(value, 10, baud) || baud < 50 || baud > 1000000)
                return Fail("--baud takes a speed from 50 to 1000000");
        } else if (arg == "--echo-timeout") {
            if (!ParseNumber(value, 10, number) || number < 1 || number > 600000)
                return Fail("--echo-timeout takes milliseconds from 1 to 600000");
            options.echoTimeoutMs = static_cast<int>(number);
        } else if (arg == "--fault") {
            if (!ParseFault(value, options)) return Fail("unknown fault " + value);
        } else {
            return Fail("unknown option " + arg + "\n" + kUsage);
        }
    }
    if (linkPath.empty()) return Fail(std::string("--link PATH is required\n") + kUsage);
    for (const auto& [request, fixed] : options.fixedValues) {
        const auto item = options.items.find(request);
        if (item == options.items.end()) {
            char text[80];
            std::snprintf(text, sizeof text, "--value %02X=...: no monitor item %02X; add it with --item",
                          request, request);
            return Fail(text);
        }
        if (item->second == 1 && fixed > 0xFF) return Fail("--value: a one-byte item answers 00..FF");
    }

    SimImage image;
    if (!imagePath.empty()) {
        std::string error;
        if (!LoadSimImage(imagePath, image, error)) return Fail(error);
        options.readFirst = image.first;
        options.readLast = image.last;
    }
    if (!range.empty()) {
        const std::size_t dash = range.find('-');
        long first = 0, last = 0;
        if (dash == std::string::npos || !ParseNumber(range.substr(0, dash), 16, first) ||
            !ParseNumber(range.substr(dash + 1), 16, last) || first < 0 || last > 0xFFFF ||
            first > last)
            return Fail("--range takes FIRST-LAST in hex, FIRST <= LAST <= FFFF");
        options.readFirst = static_cast<std::uint16_t>(first);
        options.readLast = static_cast<std::uint16_t>(last);
    }

    // The pseudo-terminal. Holding the device side open ourselves keeps the
    // line up while no tool has it open, as a real port stays wired.
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0)
        return Fail(std::string("cannot create a pseudo-terminal: ") + std::strerror(errno));
    const char* slaveName = ::ptsname(master);
    if (!slaveName) return Fail("cannot name the pseudo-terminal");
    const std::string slavePath = slaveName;
    const int slave = ::open(slavePath.c_str(), O_RDWR | O_NOCTTY);
    if (slave < 0) return Fail("cannot open " + slavePath + ": " + std::strerror(errno));
    MakeRaw(slave);
    MakeRaw(master);
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);

    struct stat existing {};
    if (::lstat(linkPath.c_str(), &existing) == 0) {
        if (!S_ISLNK(existing.st_mode)) return Fail(linkPath + " exists and is no link");
        ::unlink(linkPath.c_str());   // a link left by an ecusim that was killed
    }
    if (::symlink(slavePath.c_str(), linkPath.c_str()) != 0)
        return Fail("cannot link " + linkPath + ": " + std::strerror(errno));

    // SIGTERM and SIGINT are let through only while waiting in ppoll, so a
    // stop request cannot slip in between the check and the wait.
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
    sigset_t blocked, waiting;
    sigemptyset(&blocked);
    sigaddset(&blocked, SIGTERM);
    sigaddset(&blocked, SIGINT);
    ::sigprocmask(SIG_BLOCK, &blocked, &waiting);
    sigdelset(&waiting, SIGTERM);
    sigdelset(&waiting, SIGINT);

    std::printf("ecusim: %s -> %s\n", linkPath.c_str(), slavePath.c_str());
    std::fflush(stdout);

    using Clock = EcuDevice::Clock;
    // Paced bytes are timed to a character time of half a millisecond; the
    // default timer slack of the kernel would add tens of microseconds to
    // every wake-up.
    ::prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    EcuDevice device(options, image.bytes);
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
    int exitCode = 0;

    while (!g_stop) {
        const Clock::time_point now = Clock::now();
        device.OnTime(now);
        auto& output = device.Output();
        if (baud > 0 && !output.empty() && !writeScheduled) {
            writeAt = std::max({now, lineFree, lastDelivery}) + byteTime;
            writeScheduled = true;
        }
        const bool mayWrite = !output.empty() && (baud == 0 || now >= writeAt);

        // Sleep until input, room for output, the next paced byte or a
        // command's time-out, whichever comes first.
        Clock::time_point wake = device.NextDeadline();
        if (!output.empty() && !mayWrite && writeAt < wake) wake = writeAt;
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
            exitCode = Fail(std::string("poll: ") + std::strerror(errno));
            break;
        }
        if (entry.revents & (POLLERR | POLLNVAL)) {
            exitCode = Fail("the pseudo-terminal failed");
            break;
        }
        if (entry.revents & POLLIN) {
            std::uint8_t buffer[256];
            const ssize_t got = ::read(master, buffer, sizeof buffer);
            const Clock::time_point arrived = Clock::now();
            for (ssize_t i = 0; i < got; ++i) {
                if (baud > 0) lastDelivery = std::max(lastDelivery, arrived) + byteTime;
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

    int result = exitCode;
    if (!savePath.empty()) {
        std::string error;
        if (!SaveSimImage(savePath, image.bytes, options.readFirst, options.readLast, error))
            result = Fail(error);
    }
    char target[4096];
    const ssize_t length = ::readlink(linkPath.c_str(), target, sizeof target - 1);
    if (length > 0 && slavePath == std::string(target, static_cast<std::size_t>(length)))
        ::unlink(linkPath.c_str());
    ::close(slave);
    ::close(master);
    return result;
}
