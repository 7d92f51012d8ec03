// Kills every writer of the program's files with SIGKILL at random moments
// and checks what is left: the target must hold the complete old content or
// the complete new one, and the next run of the same writer must succeed.
// Temporary files of killed writers may stay until the next successful
// write of the same file, which removes them; after the last, completed,
// write none may be left.
//
//   crashharness [--kills N] [--writer NAME]... [--seed S] [--no-window]
//
// Writers: resave (rvtune resave), set-constant (rvtune set-constant),
// window-save (RV_Tune's Save, through build/bin/crashsave offscreen),
// directory (the Directory dialog's list in the settings file),
// monitor-selection (the monitor's item list in the settings file),
// machine-select (the machine choice in the registry file), user-copy (a
// package user's copy of the shipped machines brought up to date), datalog
// (a monitor recording written row by row, tests/crash/CrashDatalog.cpp).
// Exit 0 when every kill left a sound file, 1 otherwise.
#include <algorithm>
#include <chrono>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "app/DirectoryList.h"
#include "config/MachineList.h"
#include "config/RegistrySettings.h"
#include "ecu/MonitorSelection.h"
#include "platform/TreeCopy.h"
#include "files/SRecord.h"
#include "platform/FileIo.h"
#include "platform/ProfileFile.h"
#include "platform/RegistryStore.h"
#include "platform/UserPrompt.h"
#include "tests/crash/CrashDatalog.h"
#include "tests/support/TempDir.h"
#include "tests/files/TestInstall.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kWriteFailed = 3;   // a looping writer's exit status when a write failed

// The calibration of the harness: the test machine's maps and constants,
// then 32 KB of varied bytes, so that a save writes some 90 KB of text and
// a kill often lands in the middle of it.
constexpr std::uint16_t kLargeEnd = 0x8FFF;

std::string LargeCalibration(unsigned seed) {
    Image image = testinstall::CalibrationImage();
    std::uint32_t state = seed * 2654435761u + 1;
    for (std::uint32_t a = testinstall::kDataEnd; a < kLargeEnd; ++a) {
        state = state * 1103515245u + 12345u;
        image[a] = static_cast<std::uint8_t>(state >> 16);
    }
    std::uint8_t sum = 0;
    for (std::uint32_t a = testinstall::kDataStart; a < kLargeEnd; ++a) sum = static_cast<std::uint8_t>(sum + image[a]);
    image[kLargeEnd] = static_cast<std::uint8_t>(0x7F - sum);
    std::string text = "; harness calibration " + std::to_string(seed) +
                       "\n[Machine]\nModel,TST01\n\n[Title]\nRider,K. Ill\n[Data]\nCalib:\n";
    for (std::uint32_t a = testinstall::kDataStart; a <= kLargeEnd; a += 16)
        text += MakeDataRecord(static_cast<std::uint16_t>(a), &image[a], 16) + "\n";
    return text + "S9030000FC\n";
}

std::string ReadFile(const std::string& path) {
    std::string content;
    return ReadWholeFile(path, content) ? content : std::string("<unreadable>");
}

// The temporary files of target left in its folder.
std::vector<std::string> TempFilesOf(const std::string& target) {
    const fs::path path(target);
    const std::string stem = "." + path.filename().string() + ".tmp";
    std::vector<std::string> found;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(path.parent_path(), ec)) {
        const std::string name = entry.path().filename().string();
        if (name.compare(0, stem.size(), stem) == 0) found.push_back(name);
    }
    return found;
}

// A child process; its pipe carries "ready" lines from a looping writer.
struct Child {
    pid_t pid = -1;
    int readyFd = -1;
};

Child Spawn(const std::vector<std::string>& argv, const std::vector<std::string>& environment) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return {};
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(fds[1], STDOUT_FILENO);
        const int null = ::open("/dev/null", O_WRONLY);
        if (null >= 0) ::dup2(null, STDERR_FILENO);
        for (const std::string& entry : environment) ::putenv(const_cast<char*>(entry.c_str()));
        std::vector<char*> args;
        for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        ::execv(args[0], args.data());
        ::_exit(127);
    }
    ::close(fds[1]);
    return {pid, fds[0]};
}

// Runs body in a forked child with its output on the pipe.
Child Fork(const std::function<int(int readyFd)>& body) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return {};
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        ::_exit(body(fds[1]));
    }
    ::close(fds[1]);
    return {pid, fds[0]};
}

// Waits up to bound for a line on the child's pipe; false at the end of the
// pipe (the child ended) or the bound.
bool WaitReady(const Child& child, std::chrono::milliseconds bound) {
    pollfd p{child.readyFd, POLLIN, 0};
    if (::poll(&p, 1, static_cast<int>(bound.count())) <= 0) return false;
    char c = 0;
    return ::read(child.readyFd, &c, 1) == 1;
}

// Waits for the child's end: its wait status.
int Reap(Child& child) {
    int status = 0;
    while (::waitpid(child.pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (child.readyFd >= 0) ::close(child.readyFd);
    child = {};
    return status;
}

void SignalReady(int fd) {
    const char line = '\n';
    if (::write(fd, &line, 1) != 1) ::_exit(kWriteFailed);
}

// Answers every question with OK: the machine change is confirmed.
struct ConfirmingPrompt : UserPrompt {
    void Message(const std::string&, const std::string&, PromptIcon) override {}
    PromptAnswer Ask(const std::string&, const std::string&, PromptButtons, PromptIcon, PromptAnswer) override {
        return PromptAnswer::kOk;
    }
};

// One writer under test. A one-shot writer is a process that writes once and
// ends (rvtune); a looping writer writes variant, the other variant, ... until
// it is killed, after signalling that it is ready, or writes once when once is set.
struct Writer {
    std::string name;
    std::string target;
    bool oneShot = false;
    std::function<Child(int variant, bool once)> start;
    std::string contents[2];   // the complete file after a write of each variant
};

struct Figures {
    int kills = 0;
    int leftOld = 0;
    int leftNew = 0;
    int ranToEnd = 0;          // a one-shot writer that finished before the kill
    int midWrite = 0;          // a new temporary file was left: the kill landed inside a write
    std::size_t mostTemps = 0; // the most temporary files seen at once
    std::vector<std::string> faults;
};

class Harness {
public:
    Harness(unsigned seed, bool window) : random_(seed), window_(window) {
        install_.dir.Write("work/big.qsd", LargeCalibration(1));
        install_.dir.Write("work/other.qsd", LargeCalibration(2));
        install_.dir.Write("work/cal.qsd", LargeCalibration(3));
        install_.dir.Write("work/window.qsd", LargeCalibration(4));
        environment_ = {"RV_TUNE_REGISTRY=" + install_.RegistryPath(), "TMPDIR=" + install_.TmpPath(),
                        "QT_QPA_PLATFORM=offscreen"};
    }

    std::vector<Writer> Writers() {
        std::vector<Writer> writers;
        const std::string bin = RV_BIN_DIR;
        const std::string work = install_.dir.File("work/");
        const std::string env0 = environment_[0], env1 = environment_[1], env2 = environment_[2];
        const std::vector<std::string> env = environment_;

        Writer resave;
        resave.name = "resave";
        resave.target = work + "resaved.qsd";
        resave.oneShot = true;
        resave.start = [=](int variant, bool) {
            return Spawn({bin + "/rvtune", "resave", work + (variant ? "other.qsd" : "big.qsd"), work + "resaved.qsd"},
                         env);
        };
        writers.push_back(resave);

        Writer constant;
        constant.name = "set-constant";
        constant.target = work + "cal.qsd";
        constant.oneShot = true;
        constant.start = [=](int variant, bool) {
            return Spawn({bin + "/rvtune", "set-constant", work + "cal.qsd", "Idle Target", variant ? "1500" : "1200"},
                         env);
        };
        writers.push_back(constant);

        if (window_) {
            Writer window;
            window.name = "window-save";
            window.target = work + "window.qsd";
            window.start = [=](int variant, bool once) {
                return Spawn({bin + "/crashsave", install_.RegistryPath(), work + "window.qsd", std::to_string(variant),
                              once ? "once" : "loop"},
                             env);
            };
            writers.push_back(window);
        }

        const std::string settingsPath = install_.dir.File("install/TST01/RV_Tune.INI");
        Writer directory;
        directory.name = "directory";
        directory.target = settingsPath;
        directory.start = [settingsPath](int variant, bool once) {
            return Fork([=](int readyFd) {
                const std::vector<std::string> lists[2] = {
                    {"/srv/tune/a1", "/srv/tune/a2", "/srv/tune/a3", "/srv/tune/a4", "/srv/tune/a5",
                     "/srv/tune/a6", "/srv/tune/a7", "/srv/tune/a8"},
                    {"/home/rider/b1", "/home/rider/b2", "/home/rider/b3"}};
                SignalReady(readyFd);
                for (int v = variant;; v ^= 1) {
                    ProfileFile settings(settingsPath);
                    if (!WriteDirectoryList(settings, lists[v])) return kWriteFailed;
                    if (once) return 0;
                }
            });
        };
        writers.push_back(directory);

        Writer monitor;
        monitor.name = "monitor-selection";
        monitor.target = settingsPath;
        monitor.start = [settingsPath](int variant, bool once) {
            return Fork([=](int readyFd) {
                std::vector<DiagItem> items(24);
                for (std::size_t i = 0; i < items.size(); ++i) items[i].name = "Sensor " + std::to_string(i + 1);
                const std::vector<std::uint8_t> selections[2] = {{0, 2, 4, 6, 8, 10, 12, 14, 16, 18, 20, 22},
                                                                 {23, 1, 5, 3}};
                SignalReady(readyFd);
                for (int v = variant;; v ^= 1) {
                    ProfileFile settings(settingsPath);
                    if (!SaveMonitorSelection(settings, items, selections[v])) return kWriteFailed;
                    if (once) return 0;
                }
            });
        };
        writers.push_back(monitor);

        // A registry of its own, so that the machine changes do not reach the
        // rvtune runs above.
        const std::string registryPath = install_.dir.Write("work/registry.reg", ReadFile(install_.RegistryPath()));
        Writer machine;
        machine.name = "machine-select";
        machine.target = registryPath;
        machine.start = [registryPath](int variant, bool once) {
            return Fork([=](int readyFd) {
                const std::vector<MachineEntry> entries = {{"'24 Plover-125(PLV24X)", "Plover", "PLV24X", 4097},
                                                           {"'26 Corvid-990 Race(CRV26R)", "Corvid", "CRV26R", 30}};
                ConfirmingPrompt prompt;
                SignalReady(readyFd);
                for (int v = variant;; v ^= 1) {
                    RegistryStore store(registryPath);
                    RegistrySettings settings;
                    settings.LoadRegistrySettings(store);
                    MachineSelectOk(entries, v, settings, store, prompt);
                    if (settings.machineName != entries[static_cast<std::size_t>(v)].title) return kWriteFailed;
                    if (once) return 0;
                }
            });
        };
        writers.push_back(machine);

        // Two versions of the package in turn, each made newer than the copy
        // before it is brought up to date, as an update of the package is.
        install_.dir.Write("shipped/0/T26/RV_Tune.STZ", LargeCalibration(5));
        install_.dir.Write("shipped/1/T26/RV_Tune.STZ", LargeCalibration(6));
        const std::string shipped = install_.dir.File("shipped/"), copy = install_.dir.File("user-copy");
        Writer userCopy;
        userCopy.name = "user-copy";
        userCopy.target = copy + "/T26/RV_Tune.STZ";
        userCopy.start = [=](int variant, bool once) {
            return Fork([=](int readyFd) {
                SignalReady(readyFd);
                for (int v = variant;; v ^= 1) {
                    struct stat copied {};
                    const long long after = ::stat((copy + "/T26/RV_Tune.STZ").c_str(), &copied) == 0
                                                ? static_cast<long long>(copied.st_mtim.tv_sec) + 1
                                                : 1000000;
                    const struct timespec times[2] = {{after, 0}, {after, 0}};
                    const std::string source = shipped + std::to_string(v);
                    TreeCopyResult result;
                    if (::utimensat(AT_FDCWD, (source + "/T26/RV_Tune.STZ").c_str(), times, 0) != 0 ||
                        !CopyTreeByTime(source, copy, result) || result.copied != 1)
                        return kWriteFailed;
                    if (once) return 0;
                }
            });
        };
        writers.push_back(userCopy);
        return writers;
    }

    // Writes each variant to the end until the contents repeat; false when a
    // complete write fails or the writer is not deterministic.
    bool Calibrate(Writer& writer, std::string& error) {
        std::string seen[4];
        for (int i = 0; i < 4; ++i) {
            if (!RunToEnd(writer, i % 2, error)) return false;
            seen[i] = ReadFile(writer.target);
        }
        if (seen[1] != seen[3] || seen[0] == seen[1]) {
            error = "the complete writes do not repeat (or do not differ)";
            return false;
        }
        writer.contents[0] = seen[2];
        writer.contents[1] = seen[3];
        return true;
    }

    bool RunToEnd(const Writer& writer, int variant, std::string& error) {
        Child child = writer.start(variant, true);
        if (child.pid < 0) {
            error = "cannot start the writer";
            return false;
        }
        const int status = Reap(child);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            error = "a complete write failed (wait status " + std::to_string(status) + ")";
            return false;
        }
        return true;
    }

    // How long a one-shot writer takes from start to end.
    std::chrono::microseconds OneShotTime(const Writer& writer) {
        std::vector<Clock::duration> times;
        std::string error;
        for (int i = 0; i < 3; ++i) {
            const Clock::time_point started = Clock::now();
            RunToEnd(writer, i % 2, error);
            times.push_back(Clock::now() - started);
        }
        std::sort(times.begin(), times.end());
        return std::chrono::duration_cast<std::chrono::microseconds>(times[1]);
    }

    Figures Run(Writer& writer, int kills) {
        Figures figures;
        std::string error;
        if (!Calibrate(writer, error)) {
            figures.faults.push_back(writer.name + ": " + error);
            return figures;
        }
        const auto oneShotTime = writer.oneShot ? OneShotTime(writer) : std::chrono::microseconds(0);
        // Looping writers: a window of a few writes after the first has begun.
        const auto loopWindow = std::chrono::microseconds(writer.name == "window-save" ? 150000 : 20000);
        int current = ReadFile(writer.target) == writer.contents[0] ? 0 : 1;
        std::vector<std::string> tempsBefore = TempFilesOf(writer.target);

        for (int kill = 0; kill < kills && figures.faults.size() < 5; ++kill) {
            const int next = 1 - current;
            Child child = writer.start(next, false);
            if (child.pid < 0) {
                figures.faults.push_back(writer.name + ": cannot start the writer");
                break;
            }
            if (writer.oneShot) {
                std::uniform_int_distribution<long> at(0, oneShotTime.count() * 11 / 10);
                std::this_thread::sleep_for(std::chrono::microseconds(at(random_)));
            } else {
                if (!WaitReady(child, std::chrono::seconds(60))) {
                    ::kill(child.pid, SIGKILL);
                    const int status = Reap(child);
                    figures.faults.push_back(writer.name + ": the writer did not start (wait status " +
                                             std::to_string(status) + ") after kill " + std::to_string(kill));
                    continue;
                }
                std::uniform_int_distribution<long> at(0, loopWindow.count());
                std::this_thread::sleep_for(std::chrono::microseconds(at(random_)));
            }
            ::kill(child.pid, SIGKILL);
            const int status = Reap(child);
            ++figures.kills;
            if (!(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)) {
                if (writer.oneShot && WIFEXITED(status) && WEXITSTATUS(status) == 0) {
                    ++figures.ranToEnd;
                } else {
                    figures.faults.push_back(writer.name + ": the run after kill " + std::to_string(kill) +
                                             " failed (wait status " + std::to_string(status) + ")");
                }
            }

            const std::string left = ReadFile(writer.target);
            if (left == writer.contents[current]) {
                ++figures.leftOld;
            } else if (left == writer.contents[next]) {
                ++figures.leftNew;
                current = next;
            } else {
                const std::string kept = writer.target + ".bad" + std::to_string(kill);
                WriteFileAtomic(kept, left);
                figures.faults.push_back(writer.name + ": kill " + std::to_string(kill) + " left " +
                                         std::to_string(left.size()) + " bytes that are neither the old (" +
                                         std::to_string(writer.contents[current].size()) + ") nor the new (" +
                                         std::to_string(writer.contents[next].size()) + ") content; kept as " + kept);
                break;
            }
            // A temporary file that was not there before: this kill landed
            // between its creation and the rename.
            const std::vector<std::string> temps = TempFilesOf(writer.target);
            for (const std::string& name : temps)
                if (std::find(tempsBefore.begin(), tempsBefore.end(), name) == tempsBefore.end()) {
                    ++figures.midWrite;
                    break;
                }
            figures.mostTemps = std::max(figures.mostTemps, temps.size());
            tempsBefore = temps;
        }

        // The writer must still work after all that, and clean up after the dead.
        if (figures.faults.empty()) {
            if (!RunToEnd(writer, 1 - current, error))
                figures.faults.push_back(writer.name + ": after the kills, " + error);
            else if (ReadFile(writer.target) != writer.contents[1 - current])
                figures.faults.push_back(writer.name + ": after the kills, a complete write left another content");
            else if (const auto temps = TempFilesOf(writer.target); !temps.empty())
                figures.faults.push_back(writer.name + ": " + std::to_string(temps.size()) +
                                         " temporary files left after a complete write, e.g. " + temps.front());
        }
        return figures;
    }

private:
    testinstall::Install install_;
    std::mt19937 random_;
    bool window_;
    std::vector<std::string> environment_;
};

}  // namespace

int main(int argc, char** argv) {
    int kills = 25;
    unsigned seed = static_cast<unsigned>(std::random_device{}());
    bool window = true;
    std::vector<std::string> only;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--kills" && i + 1 < argc) kills = std::atoi(argv[++i]);
        else if (a == "--seed" && i + 1 < argc) seed = static_cast<unsigned>(std::strtoul(argv[++i], nullptr, 10));
        else if (a == "--writer" && i + 1 < argc) only.push_back(argv[++i]);
        else if (a == "--no-window") window = false;
        else {
            std::fprintf(stderr, "usage: crashharness [--kills N] [--writer NAME]... [--seed S] [--no-window]\n");
            return 2;
        }
    }
    if (kills < 1) kills = 1;
    if (window && !fs::exists(std::string(RV_BIN_DIR) + "/crashsave")) window = false;
    std::signal(SIGPIPE, SIG_IGN);
    std::printf("seed %u, %d kills per writer\n", seed, kills);
    std::printf("%-18s %6s %6s %6s %9s %9s %6s %s\n", "writer", "kills", "old", "new", "ran-out", "mid-write",
                "temps", "seconds");
    std::fflush(stdout);

    Harness harness(seed, window);
    int faults = 0;
    for (Writer& writer : harness.Writers()) {
        if (!only.empty() && std::find(only.begin(), only.end(), writer.name) == only.end()) continue;
        const Clock::time_point started = Clock::now();
        const Figures f = harness.Run(writer, kills);
        const double seconds = std::chrono::duration<double>(Clock::now() - started).count();
        std::printf("%-18s %6d %6d %6d %9d %9d %6zu %.1f\n", writer.name.c_str(), f.kills, f.leftOld, f.leftNew,
                    f.ranToEnd, f.midWrite, f.mostTemps, seconds);
        for (const std::string& fault : f.faults) std::printf("  FAULT %s\n", fault.c_str());
        std::fflush(stdout);
        faults += static_cast<int>(f.faults.size());
    }
    if (only.empty() || std::find(only.begin(), only.end(), "datalog") != only.end()) {
        const Clock::time_point started = Clock::now();
        const TempDir logs;
        const DatalogKillFigures f = RunDatalogKills(logs.File("LOGS"), kills, seed);
        const double seconds = std::chrono::duration<double>(Clock::now() - started).count();
        // old: killed before the log had its name; new: a log of whole rows.
        std::printf("%-18s %6d %6d %6d %9d %9d %6zu %.1f\n", "datalog", f.kills, f.noLog, f.withRows, 0, f.midWrite,
                    f.mostTemps, seconds);
        for (const std::string& fault : f.faults) std::printf("  FAULT %s\n", fault.c_str());
        std::fflush(stdout);
        faults += static_cast<int>(f.faults.size());
    }
    return faults == 0 ? 0 : 1;
}
