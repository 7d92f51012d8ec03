#pragma once
// The one rule every installed file goes through. A missing target is
// copied (expanded, for a packaged file). An existing one is compared with
// its source by last-write time: a target newer than the source is the
// user's and stays (the copy counts as done); otherwise it is copied over.
// A copied file keeps its source's last-write time, so an untouched
// installed file is never newer than the distribution it came from.
#include <string>

#include <sys/stat.h>

#include "platform/NoFollowFile.h"
#include "platform/TreeCopy.h"   // FileTime and IsNewer: the comparison of the rule
#include "platform/UserPrompt.h"

enum class CopyKind { kExpand, kPlain };

enum CopyResult : int {
    kCopied = 0,
    kKeptNewer = 1,       // the target is newer: skipped, counts as success
    kTimeStampError = -1, // an existing target or its source could not be opened for the comparison
    kCopyFailed = -2,     // the expansion or copy failed; an existing target is unchanged
    kLinkFound = -3,      // the target or a folder on its way is a symbolic link: nothing written
};

inline bool CopySucceeded(int result) { return result >= 0; }

// Copies source to target by the rule, reporting a failure through prompt
// ("Time stamp check error!", "[target] Fail to copy file.", or the link
// message naming the link). mode gives the copied file's permission bits
// (before the umask). A target that may not be written (no write bit, or not
// the user's to write) is a failed copy. The target is reached and written
// without following links (platform/NoFollowFile): the copy is a new file
// renamed over the name, with its mode and time set on its descriptor, so a
// link under the name or in a folder of target stops the copy and the file
// it points at keeps its bytes, mode and times.
int CopyByRule(const std::string& source, const std::string& target, CopyKind kind, unsigned mode,
               UserPrompt& prompt);

// The message for a link found where setup would write: "The name: ... is
// a symbolic link ...", naming the link.
void ReportLink(const std::string& link, UserPrompt& prompt);
// StatNoFollow of a name setup is about to write, with a link found on the
// way reported through ReportLink (kLink is then returned).
NoFollowResult StatReportingLink(const std::string& path, struct stat& info, UserPrompt& prompt);
