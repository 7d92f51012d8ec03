#include "tools/ecusim/SimOptions.h"

#include <cerrno>
#include <cstdlib>

#include "platform/TextFormat.h"

const char* const kSimUsage =
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
    "  --ride               monitor values of a bike on a ride looping once a\n"
    "                       minute (idle, a pull through the gears, cruise, the\n"
    "                       throttle closed, idle) for items 01-0A as the\n"
    "                       machines' definitions scale them: engine speed,\n"
    "                       throttle, coolant, intake air, battery, injection\n"
    "                       time, ignition advance, gear, speed, O2 sensor\n"
    "  --sequence           every monitor answer is the count of the answers\n"
    "                       before it, from 0 (its low byte for a 1-byte item)\n"
    "  --baud N             pace the bytes both ways as a line of N baud would\n"
    "  --precise            with --baud: wait for each paced byte's moment awake\n"
    "                       rather than on a timer, which wakes tens to hundreds\n"
    "                       of microseconds late (one core busy while bytes flow;\n"
    "                       for measuring the tool against the line)\n"
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
    "                         late-id=MS     the first identification answer comes\n"
    "                                        MS ms late\n"
    "                         drop-single=N  the first single write loses its N-th\n"
    "                                        byte after the command letter (1-4)\n"
    "                                        on the line, and the ECU waits on\n"
    "                         store-each     a block write stores each record as it\n"
    "                                        arrives (a cut write leaves part)\n"
    "                         store-wrong=HHHH  a block write stores the byte at\n"
    "                                        HHHH (hex) with its lowest bit flipped\n"
    "                         ignore-write   a block write answers but stores nothing\n"
    "                         first-write    the write faults hit the first block\n"
    "                                        write only\n"
    "  --chaos SEED         random line faults, off at start: SIGUSR1 turns them\n"
    "                       on, SIGUSR2 off (and drops what they still queued):\n"
    "                       bytes dropped both ways, stray bytes, changed echoes,\n"
    "                       XON and XOFF bytes, silences of 3 s, floods of 400 bytes\n"
    "  --help               this text\n";

namespace {

bool Refuse(std::string& error, const std::string& text) {
    error = text;
    return false;
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
    if (name == "store-wrong") {
        long address = -1;
        if (equals == std::string::npos || !ParseNumber(text.substr(equals + 1), 16, address) || address < 0 ||
            address > 0xFFFF)
            return false;
        options.storeWrongAt = address;
        return true;
    }
    long count = -1;
    if (equals != std::string::npos &&
        (!ParseNumber(text.substr(equals + 1), 10, count) || count < 0 || count > 1000000))
        return false;
    const bool needsCount = name == "stop-after" || name == "stop-echo" || name == "bad-hex" ||
                            name == "bad-sum" || name == "bad-count" || name == "late-id" ||
                            name == "drop-single";
    if (needsCount != (equals != std::string::npos)) return false;
    if (name == "silent") options.silent = true;
    else if (name == "wrong-id") options.wrongId = true;
    else if (name == "wrong-echo") options.wrongEcho = true;
    else if (name == "flood") options.flood = true;
    else if (name == "no-result") options.noResult = true;
    else if (name == "store-each") options.storeEachRecord = true;
    else if (name == "ignore-write") options.ignoreWrite = true;
    else if (name == "first-write") options.firstWriteOnly = true;
    else if (name == "stop-after") options.stopAfterRecords = static_cast<int>(count);
    else if (name == "stop-echo") options.stopEchoAfter = static_cast<int>(count);
    else if (name == "bad-hex" && count >= 1) options.badHexRecord = static_cast<int>(count);
    else if (name == "bad-sum" && count >= 1) options.badChecksumRecord = static_cast<int>(count);
    else if (name == "bad-count" && count >= 1) options.badCountRecord = static_cast<int>(count);
    else if (name == "late-id") options.lateIdMs = static_cast<int>(count);
    else if (name == "drop-single" && count >= 1 && count <= 4) options.dropSingleByte = static_cast<int>(count);
    else return false;
    return true;
}

bool ParseRange(const std::string& text, SimOptions& options) {
    const std::size_t dash = text.find('-');
    long first = 0, last = 0;
    if (dash == std::string::npos || !ParseNumber(text.substr(0, dash), 16, first) ||
        !ParseNumber(text.substr(dash + 1), 16, last) || first < 0 || last > 0xFFFF || first > last)
        return false;
    options.rangeGiven = true;
    options.rangeFirst = static_cast<std::uint16_t>(first);
    options.rangeLast = static_cast<std::uint16_t>(last);
    return true;
}

}  // namespace

bool ParseSimOptions(int argc, char** argv, SimOptions& options, std::string& error) {
    options.device.items = DefaultMonitorItems();
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            options.help = true;
            return true;
        }
        if (arg == "--precise" || arg == "--ride" || arg == "--sequence") {
            if (arg == "--precise") options.precise = true;
            if (arg == "--ride") options.device.ride = true;
            if (arg == "--sequence") options.device.sequence = true;
            continue;
        }
        if (i + 1 >= argc) return Refuse(error, "missing value after " + arg + "\n" + kSimUsage);
        const std::string value = argv[++i];
        long number = 0;
        if (arg == "--link") {
            options.linkPath = value;
        } else if (arg == "--image") {
            options.imagePath = value;
        } else if (arg == "--save") {
            options.savePath = value;
        } else if (arg == "--range") {
            if (!ParseRange(value, options))
                return Refuse(error, "--range takes FIRST-LAST in hex, FIRST <= LAST <= FFFF");
        } else if (arg == "--id") {
            if (value.size() == 2) {
                options.device.id[0] = static_cast<std::uint8_t>(value[0]);
                options.device.id[1] = static_cast<std::uint8_t>(value[1]);
            } else if (value.size() == 6 && value.compare(0, 2, "0x") == 0 &&
                       ParseNumber(value.substr(2), 16, number)) {
                options.device.id[0] = static_cast<std::uint8_t>(number >> 8);
                options.device.id[1] = static_cast<std::uint8_t>(number & 0xFF);
            } else {
                return Refuse(error, "--id takes two characters or 0xHHHH");
            }
        } else if (arg == "--set") {
            if (value != "A" && value != "B") return Refuse(error, "--set takes A or B");
            options.device.setA = value == "A";
        } else if (arg == "--result-byte") {
            if (!ParseByte(value, options.device.resultByte)) return Refuse(error, "--result-byte takes C or 0xHH");
        } else if (arg == "--item") {
            const std::size_t colon = value.find(':');
            long length = 0;
            if (colon == std::string::npos || !ParseNumber(value.substr(0, colon), 16, number) ||
                number < 0 || number > 0xFF || !ParseNumber(value.substr(colon + 1), 10, length) ||
                (length != 1 && length != 2))
                return Refuse(error, "--item takes HH:1 or HH:2");
            options.device.items[static_cast<std::uint8_t>(number)] = static_cast<int>(length);
        } else if (arg == "--value") {
            const std::size_t equals = value.find('=');
            long fixed = 0;
            if (equals == std::string::npos || !ParseNumber(value.substr(0, equals), 16, number) ||
                number < 0 || number > 0xFF || !ParseNumber(value.substr(equals + 1), 16, fixed) ||
                fixed < 0 || fixed > 0xFFFF)
                return Refuse(error, "--value takes HH=VALUE in hex, VALUE up to FFFF");
            options.device.fixedValues[static_cast<std::uint8_t>(number)] = static_cast<unsigned>(fixed);
        } else if (arg == "--baud") {
            if (!ParseNumber(value, 10, options.baud) || options.baud < 50 || options.baud > 1000000)
                return Refuse(error, "--baud takes a speed from 50 to 1000000");
        } else if (arg == "--echo-timeout") {
            if (!ParseNumber(value, 10, number) || number < 1 || number > 600000)
                return Refuse(error, "--echo-timeout takes milliseconds from 1 to 600000");
            options.device.echoTimeoutMs = static_cast<int>(number);
        } else if (arg == "--fault") {
            if (!ParseFault(value, options.device)) return Refuse(error, "unknown fault " + value);
        } else if (arg == "--chaos") {
            if (!ParseNumber(value, 10, number) || number < 0 || number > 0x7FFFFFFF)
                return Refuse(error, "--chaos takes a seed from 0 to 2147483647");
            options.chaosSeed = number;
        } else {
            return Refuse(error, "unknown option " + arg + "\n" + kSimUsage);
        }
    }
    if (options.device.ride && options.device.sequence) return Refuse(error, "--ride and --sequence exclude each other");
    if (options.linkPath.empty())
        return Refuse(error, std::string("--link PATH is required\n") + kSimUsage);
    for (const auto& [request, fixed] : options.device.fixedValues) {
        const auto item = options.device.items.find(request);
        if (item == options.device.items.end()) {
            return Refuse(error, FormatText("--value %02X=...: no monitor item %02X; add it with --item",
                                            request, request));
        }
        if (item->second == 1 && fixed > 0xFF)
            return Refuse(error, "--value: a one-byte item answers 00..FF");
    }
    return true;
}
