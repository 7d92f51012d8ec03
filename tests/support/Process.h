#pragma once
// A program run as a child process, for tests that drive our own tools.
#include <chrono>
#include <functional>
#include <string>
#include <vector>

struct ProcessResult {
    int status = -1;      // exit status; -1 when a signal ended it or it was killed at the bound
    int signal = 0;       // the signal that ended it, 0 when it exited
    bool hung = false;    // killed at the bound
    std::string out;
    std::string err;
};

// The user and group a child process switches to before it runs.
struct ProcessAccount {
    unsigned uid = 0;
    unsigned gid = 0;
};

// Runs argv[0] (a path, not searched) with argv, its standard output and
// error captured. The environment is ours with set ("NAME=value") added or
// replacing an entry and the names in unset removed. The bound is a safety
// net against hangs only: a child still running then is killed. With an
// account the child runs as that user (only root may switch); a child that
// cannot switch exits with 126.
ProcessResult RunProcess(const std::vector<std::string>& argv, const std::vector<std::string>& set,
                         std::chrono::milliseconds bound, const std::vector<std::string>& unset = {},
                         const ProcessAccount* account = nullptr);

// An ordinary user for the steps of a test that permission bits must stop.
// The superuser passes every permission check, so a test running as root
// runs those steps in a child switched to the account "nobody"; any other
// user is ordinary already and runs them in a child as itself.
class OrdinaryUser {
public:
    OrdinaryUser();
    // false only for root on a system without a "nobody" account.
    bool Available() const { return available_; }
    // Hands path, and everything below a folder, to the user; nothing when
    // the test runs as that user already.
    void Own(const std::string& path) const;
    // Runs body in a child process as the user: body's result (0..255), or
    // -1 when the child could not switch or did not exit normally.
    int Run(const std::function<int()>& body) const;
    // For RunProcess: the account to switch to, or nullptr when no switch is needed.
    const ProcessAccount* Account() const { return switchNeeded_ ? &account_ : nullptr; }

private:
    bool available_ = false;
    bool switchNeeded_ = false;
    ProcessAccount account_;
};
