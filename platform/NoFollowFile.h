#pragma once
// Files reached without following a symbolic link anywhere on their way, for
// a writer that must not be turned onto someone else's file (the installer,
// in a folder other users may write to). Paths are absolute; each is opened
// folder by folder from "/" with O_NOFOLLOW, so a link in any folder of the
// path or at the name itself is found, never followed, and handed back in
// link (the path up to and including the linked name). A write goes to a new
// file beside the name that is then renamed over it: the rename replaces
// whatever stands under the name, a link planted after the check included,
// and never writes into the file a link points at. The new file's mode and
// time are set on its descriptor before the rename.
#include <string>

#include <sys/stat.h>
#include <time.h>

enum class NoFollowResult { kOk, kLink, kMissing, kFailed };

// path with every link in it resolved, for a folder that exists (or, for
// the part of path that does not exist yet, the resolved folder it will be
// made in with the missing names appended). false when path is not absolute
// or cannot be resolved.
bool ResolveFolder(const std::string& path, std::string& resolved);

// Opens the folder path; with create, missing folders are made (mode 0777
// less the umask). fd is the open folder on kOk (the caller closes it).
// kMissing: a folder does not exist (and create was not asked); kFailed:
// a name is no folder, or it could not be made or opened.
NoFollowResult OpenFolderNoFollow(const std::string& path, bool create, int& fd, std::string& link);

// lstat of path, its folders opened without following links. kMissing when
// the name does not exist; kLink when the name or a folder is a link.
NoFollowResult StatNoFollow(const std::string& path, struct stat& info, std::string& link);

// Reads path, a regular file; kFailed for anything else.
NoFollowResult ReadNoFollow(const std::string& path, std::string& content, std::string& link);

// Writes content as the file path: mode exactly as given (no umask
// applied), the last-write time modified when given (else now). Only a
// regular file is replaced; a link under the name or in a folder is kLink
// and nothing is written. On failure the old file is as it was.
NoFollowResult WriteNoFollow(const std::string& path, const std::string& content, unsigned mode,
                             const struct timespec* modified, std::string& link);
