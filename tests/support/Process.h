#pragma once
// A program run as a child process, for tests that drive our own tools.
#include <chrono>
#include <string>
#include <vector>

struct ProcessResult {
    int status = -1;      // exit status; -1 when a signal ended it or it was killed at the bound
    int signal = 0;       // the signal that ended it, 0 when it exited
    bool hung = false;    // killed at the bound
    std::string out;
    std::string err;
};

// Runs argv[0] (a path, not searched) with argv, its standard output and
// error captured. The environment is ours with set ("NAME=value") added or
// replacing an entry and the names in unset removed. The bound is a safety
// net against hangs only: a child still running then is killed.
ProcessResult RunProcess(const std::vector<std::string>& argv, const std::vector<std::string>& set,
                         std::chrono::milliseconds bound, const std::vector<std::string>& unset = {});
