#pragma once
// The datalog writer in the kill harness: a log written row by row, killed
// at random moments, must hold its header and whole rows only, each the row
// that was written.
#include <cstddef>
#include <string>
#include <vector>

struct DatalogKillFigures {
    int kills = 0;
    int noLog = 0;      // killed before the log appeared under its name
    int withRows = 0;   // a log with its header and whole rows
    int midWrite = 0;   // a temporary file was left: the kill landed while the log was made
    std::size_t mostTemps = 0;
    std::vector<std::string> faults;
};

// Runs the writer kills times in folder (a logs folder of its own).
DatalogKillFigures RunDatalogKills(const std::string& folder, int kills, unsigned seed);
