#pragma once
// The one rule every installed file goes through. A missing target is
// copied (expanded, for a packaged file). An existing one is compared with
// its source by last-write time: a target newer than the source is the
// user's and stays (the copy counts as done); otherwise it is copied over.
// A copied file keeps its source's last-write time, so an untouched
// installed file is never newer than the distribution it came from.
#include <string>

#include "platform/TreeCopy.h"   // FileTime and IsNewer: the comparison of the rule
#include "platform/UserPrompt.h"

enum class CopyKind { kExpand, kPlain };

enum CopyResult : int {
    kCopied = 0,
    kKeptNewer = 1,       // the target is newer: skipped, counts as success
    kTimeStampError = -1, // an existing target or its source could not be opened for the comparison
    kCopyFailed = -2,     // the expansion or copy failed; an existing target is unchanged
};

inline bool CopySucceeded(int result) { return result >= 0; }

// Copies source to target by the rule, reporting a failure through prompt
// ("Time stamp check error!", or "[target] Fail to copy file."). mode gives
// the copied file's permission bits (before the umask). A target that may
// not be written (no write bit, or not the user's to write) is a failed copy.
int CopyByRule(const std::string& source, const std::string& target, CopyKind kind, unsigned mode,
               UserPrompt& prompt);
