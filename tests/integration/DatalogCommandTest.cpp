// rvtune datalog as a process against ecusim over a pseudo-terminal: the
// log it leaves, its refusals, a silent ECU, and Ctrl+C in the middle.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/integration/EcuCommandsFixture.h"

extern char** environ;

namespace {

using namespace ecutest;

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    for (std::size_t at = 0, end; (end = text.find('\n', at)) != std::string::npos; at = end + 1)
        lines.push_back(text.substr(at, end - at));
    return lines;
}

bool Exists(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

// Each row: the time, then Engine Speed (the whole count) and Throttle (the
// low byte of the next count, 0.5 a step): the answers in order.
void ExpectSequenceRows(const std::vector<std::string>& lines) {
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[0], "time_s,Engine Speed [rpm],Throttle [%]");
    long count = -1;
    for (std::size_t r = 1; r < lines.size(); ++r) {
        const std::string& line = lines[r];
        const std::size_t comma = line.find(',');
        ASSERT_NE(comma, std::string::npos) << line;
        const long speed = std::strtol(line.c_str() + comma + 1, nullptr, 10);
        if (count < 0) count = speed;
        char expected[64];
        std::snprintf(expected, sizeof expected, "%ld,%.1f", count, ((count + 1) & 0xFF) * 0.5);
        EXPECT_EQ(line.substr(comma + 1), expected) << "row " << r;
        count += 2;
    }
}

TEST_F(EcuCommandsTest, DatalogRecordsTheItemsInOrderIntoTheFile) {
    StartEcu(original, {"--sequence"});
    const std::string out = install.dir.File("ride.csv");
    const Outcome o = Tune({"datalog", "--seconds", "1", "--items", "Engine Speed,Throttle", "--out", out});
    ASSERT_FALSE(o.hung);
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.err, "");   // no progress line off a terminal
    const std::vector<std::string> lines = Lines(install.dir.Read("ride.csv"));
    ExpectSequenceRows(lines);
    EXPECT_EQ(o.out, std::to_string(lines.size() - 1) + " rows in " + out + "\n");
}

TEST_F(EcuCommandsTest, DatalogWithoutOutWritesANewLogInTheMachinesLogsFolder) {
    StartEcu(original, {"--sequence"});
    const Outcome o = Tune({"datalog", "--seconds", "0.5"});
    EXPECT_EQ(o.status, 0) << o.err;
    const std::string folder = install.dir.File("install/TST01/WORK/LOGS/");
    const std::size_t at = o.out.find(folder);
    ASSERT_NE(at, std::string::npos) << o.out;
    const std::string name = o.out.substr(at + folder.size(), o.out.size() - at - folder.size() - 1);
    EXPECT_EQ(name.size(), std::string("20261208-201500.csv").size()) << name;
    // The monitor window's selection: Gear alone.
    EXPECT_EQ(Lines(install.dir.Read("install/TST01/WORK/LOGS/" + name)).at(0), "time_s,Gear [-]");
}

TEST_F(EcuCommandsTest, DatalogRefusesWhatItCannotDoBeforeTouchingTheLine) {
    StartEcu(original);
    const std::string existing = install.dir.Write("old.csv", "old rows\n");
    struct Case {
        std::vector<std::string> arguments;
        const char* message;
    };
    const Case cases[] = {
        {{"datalog", "--seconds", "1", "--items", "Throttle,Boost", "--out", "x.csv"}, "no monitor item named 'Boost'"},
        {{"datalog", "--seconds", "1", "--out", existing}, "old.csv exists; give --force to replace it"},
        {{"datalog", "--out", "x.csv"}, "give --seconds S"},
        {{"datalog", "--seconds", "0"}, "--seconds takes a number"},
        {{"datalog", "--seconds", "1", "--force"}, "--force goes with --out"},
        {{"datalog", "--seconds", "1", "--gap", "-3"}, "--gap takes milliseconds"},
    };
    for (const Case& c : cases) {
        const Outcome o = Tune(c.arguments);
        EXPECT_EQ(o.status, 2) << c.message;
        EXPECT_NE(o.err.find(c.message), std::string::npos) << o.err;
    }
    EXPECT_EQ(install.dir.Read("old.csv"), "old rows\n");
    EXPECT_FALSE(Exists(install.dir.File("x.csv")));

    const Outcome replaced = Tune({"datalog", "--seconds", "0.3", "--out", existing, "--force"});
    EXPECT_EQ(replaced.status, 0) << replaced.err;
    EXPECT_EQ(Lines(install.dir.Read("old.csv")).at(0), "time_s,Gear [-]");
}

TEST_F(EcuCommandsTest, DatalogOfASilentEcuEndsWithNoResponseAndLeavesNoFile) {
    StartEcu(original, {"--fault", "silent"});
    const std::string out = install.dir.File("none.csv");
    const Outcome o = Tune({"datalog", "--seconds", "1", "--out", out});
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.err.find("No response from ECU."), std::string::npos) << o.err;
    EXPECT_FALSE(Exists(out));
}

TEST_F(EcuCommandsTest, CtrlCEndsADatalogCleanlyWithTheRowsSoFar) {
    StartEcu(original, {"--sequence"});
    const std::string out = install.dir.File("cut.csv");
    std::vector<std::string> args = {kRvtune, "datalog", "--seconds", "60", "--items", "Engine Speed,Throttle",
                                     "--out", out};
    std::vector<std::string> env = {"RV_TUNE_REGISTRY=" + install.RegistryPath(), "TMPDIR=" + install.TmpPath(),
                                    "RV_TUNE_COM1=" + sim->Link()};
    for (char** e = environ; *e; ++e) env.emplace_back(*e);
    std::vector<char*> argv, envp;
    for (std::string& a : args) argv.push_back(a.data());
    for (std::string& e : env) envp.push_back(e.data());
    argv.push_back(nullptr);
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    ASSERT_EQ(posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()), 0);
    posix_spawn_file_actions_destroy(&actions);
    // Ctrl+C once some rows are in; the bound is a safety net only.
    const auto bound = std::chrono::steady_clock::now() + kCommandBound;
    while (Lines(install.dir.Read("cut.csv")).size() < 10 && std::chrono::steady_clock::now() < bound)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ::kill(pid, SIGINT);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 130);
    const std::string text = install.dir.Read("cut.csv");
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(text.back(), '\n');
    ExpectSequenceRows(Lines(text));
}

}  // namespace
