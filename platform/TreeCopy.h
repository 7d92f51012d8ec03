#pragma once
// The copy rule by last-write times, and a folder tree kept up to date by
// it. A missing file is copied; an existing one whose last write lies after
// its source's is the user's and stays; an older one is copied over. A copy
// keeps its source's last-write time, so an untouched copy is never newer
// than what it came from. The installer applies the rule to each file it
// installs; the programs apply it to a user's copy of the shipped machines.
#include <string>
#include <vector>

// True when the target's last write lies after the source's. Both times are
// instants; comparing them directly keeps the order through a change of the
// clocks from summer to winter time, where local times repeat an hour.
struct FileTime {
    long long seconds = 0;
    long nanoseconds = 0;
};
bool IsNewer(const FileTime& target, const FileTime& source);

struct TreeCopyResult {
    // The target as the system has it (a link resolved once); empty when it
    // could not be made or is not the user's.
    std::string folder;
    int copied = 0;       // files written
    // Files left as they were: the user's (newer, or made read-only) or
    // already the same copy (same time and size).
    int kept = 0;
    // Names below the target, relative to it, that are links or no regular
    // file where the source has a file, or no folder where it has a folder:
    // never followed, never replaced.
    std::vector<std::string> leftAlone;
    std::string error;    // the first failure, "path: reason"; empty when none
};

// Copies the regular files and folders below source into target by the
// rule. target and its missing parents are made (mode 0700); a target that
// is a link is resolved once, and from there on nothing is followed. target
// must be a folder of the effective user that other users may not write;
// otherwise nothing is copied. Each file goes to a temporary file beside
// its name, gets its time and is renamed over the name: a reader, or a
// second program copying at the same moment, finds the old file or the new
// one, never part of one. A file that fails is reported and the others are
// still copied. false when anything failed (result.error says what).
bool CopyTreeByTime(const std::string& source, const std::string& target, TreeCopyResult& result);
