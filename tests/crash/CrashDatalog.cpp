#include "tests/crash/CrashDatalog.h"

#include <chrono>
#include <csignal>
#include <ctime>
#include <filesystem>
#include <random>
#include <set>
#include <thread>

#include <sys/wait.h>
#include <unistd.h>

#include "files/DatalogWriter.h"
#include "platform/FileIo.h"

namespace fs = std::filesystem;

namespace {

constexpr int kFailed = 3;
constexpr std::size_t kCompleteRows = 400;

std::vector<DiagItem> Items() {
    const char* names[] = {"Engine Speed", "Throttle", "Coolant Temp", "Injection Time", "Gear", "O2 Sensor"};
    const char* factors[] = {"1", "0.5", "1", "0.004", "1", "0.005"};
    std::vector<DiagItem> items;
    for (int i = 0; i < 6; ++i) {
        DiagItem item;
        item.name = names[i];
        item.factor = factors[i];
        item.offset = i == 2 ? "-40" : "0";
        items.push_back(item);
    }
    return items;
}

// Row n of every run: a value missing now and then.
std::vector<std::optional<std::uint16_t>> Raws(std::size_t n) {
    std::vector<std::optional<std::uint16_t>> raws;
    for (std::size_t i = 0; i < 6; ++i) {
        if ((n + i) % 7 == 3) raws.push_back(std::nullopt);
        else raws.push_back(static_cast<std::uint16_t>((n * 37 + i * 101) % 1000));
    }
    return raws;
}

double Seconds(std::size_t n) { return static_cast<double>(n) * 0.0125; }

// The writer: a new log in folder, rows until killed (or kCompleteRows when once).
pid_t StartWriter(const std::string& folder, bool once) {
    const pid_t pid = ::fork();
    if (pid != 0) return pid;
    DatalogWriter writer(Items());
    if (writer.CreateInFolder(folder, std::time(nullptr)) != DatalogOpen::kOk) ::_exit(kFailed);
    for (std::size_t n = 0; !once || n < kCompleteRows; ++n) {
        if (!writer.WriteRow(Seconds(n), Raws(n))) ::_exit(kFailed);
        std::this_thread::sleep_for(std::chrono::microseconds(40));
    }
    ::_exit(writer.Close() ? 0 : kFailed);
}

int Reap(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return status;
}

// "" when text is the header and whole rows of the run, else what is wrong.
std::string CheckLog(const std::string& text, std::size_t& rows) {
    const std::vector<DiagItem> items = Items();
    const std::vector<DatalogColumn> columns = DatalogColumns(items);
    std::string expected = DatalogHeader(columns);
    if (text.compare(0, expected.size(), expected) != 0) return "no whole header";
    rows = 0;
    while (expected.size() < text.size()) {
        expected += DatalogRowText(Seconds(rows), items, columns, Raws(rows));
        if (expected.size() > text.size()) return "a row cut short after " + std::to_string(rows) + " rows";
        if (text.compare(0, expected.size(), expected) != 0) return "row " + std::to_string(rows + 1) + " is not the row written";
        ++rows;
    }
    return "";
}

void Scan(const std::string& folder, std::set<std::string>& logs, std::vector<std::string>& temps) {
    temps.clear();
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
        const std::string name = entry.path().filename().string();
        if (name[0] == '.') temps.push_back(name);
        else logs.insert(name);
    }
}

}  // namespace

DatalogKillFigures RunDatalogKills(const std::string& folder, int kills, unsigned seed) {
    DatalogKillFigures figures;
    std::mt19937 random(seed);
    std::uniform_int_distribution<long> at(0, 60000);   // microseconds after the start
    std::set<std::string> seen;
    std::vector<std::string> temps;
    for (int kill = 0; kill < kills && figures.faults.size() < 5; ++kill) {
        const pid_t pid = StartWriter(folder, false);
        if (pid < 0) {
            figures.faults.push_back("datalog: cannot start the writer");
            break;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(at(random)));
        ::kill(pid, SIGKILL);
        const int status = Reap(pid);
        ++figures.kills;
        if (!(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL))
            figures.faults.push_back("datalog: the writer failed (wait status " + std::to_string(status) + ")");
        std::set<std::string> now = seen;
        const std::size_t tempsBefore = temps.size();
        Scan(folder, now, temps);
        if (temps.size() > tempsBefore) ++figures.midWrite;
        figures.mostTemps = std::max(figures.mostTemps, temps.size());
        if (now.size() == seen.size()) {
            ++figures.noLog;
            continue;
        }
        for (const std::string& name : now) {
            if (seen.count(name)) continue;
            std::string text;
            std::size_t rows = 0;
            const std::string fault =
                ReadWholeFile(folder + "/" + name, text) ? CheckLog(text, rows) : std::string("unreadable");
            if (fault.empty()) ++figures.withRows;
            else figures.faults.push_back("datalog: kill " + std::to_string(kill) + " left " + name + ": " + fault);
        }
        seen = now;
    }
    // A whole run still works after all that, and clears the leftovers of the dead.
    const pid_t pid = StartWriter(folder, true);
    const int status = Reap(pid);
    std::set<std::string> now = seen;
    Scan(folder, now, temps);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || now.size() != seen.size() + 1) {
        figures.faults.push_back("datalog: a complete run failed (wait status " + std::to_string(status) + ")");
    } else {
        for (const std::string& name : now) {
            if (seen.count(name)) continue;
            std::string text;
            std::size_t rows = 0;
            ReadWholeFile(folder + "/" + name, text);
            if (!CheckLog(text, rows).empty() || rows != kCompleteRows)
                figures.faults.push_back("datalog: the complete run left " + std::to_string(rows) + " rows");
        }
        if (!temps.empty())
            figures.faults.push_back("datalog: " + std::to_string(temps.size()) +
                                     " temporary files left after a complete run, e.g. " + temps.front());
    }
    return figures;
}
