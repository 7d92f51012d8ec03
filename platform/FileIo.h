#pragma once
// Whole-file reads and writes, and the temporary folder. A write never
// leaves a half-written file: it goes to a temporary file beside the target
// that replaces the target only once it is complete.
#include <cstddef>
#include <string>

// The temporary folder: $TMPDIR when set and not empty, else "/tmp"; always
// ends with "/", so a file name can be appended directly.
std::string TempFolder();
// A temporary folder no other user shares, for files of a fixed name that
// another user's file there would block: $TMPDIR when set, not empty, the
// user's and writable by nobody else, else "orvandel-<uid>" in it (a shared
// one, as /tmp is), made private (mode 0700)
// and used only while it is the user's and private; else $XDG_RUNTIME_DIR when it is the user's own private folder; else
// "orvandel" in the user's cache folder ($XDG_CACHE_HOME, else ~/.cache),
// made private (mode 0700) and used only while it is the user's and private
// (not a link); else "/tmp/". Ends with "/".
std::string UserTempFolder();

// Writes content to path through a temporary file in the same folder that is
// flushed and renamed over path; the old file is intact when this fails. It
// does no more than a write in place could: a file the user may not write
// (or that has no write bit at all) is refused, a symbolic link stays and the
// file it names gets the content, and the old file's mode, owner and group
// carry over. Only regular files are replaced.
bool WriteFileAtomic(const std::string& path, const std::string& content);
// Holds an exclusive lock on the folder of a file that is read, changed and
// rewritten (a settings file, the registry file), from construction to
// destruction, for every holder in any process. Without it two programs
// saving different values at once would each read the old text, and the
// later rename would drop the other's value. The folder carries the lock,
// not the file: an atomic write replaces the file, and a lock on the old one
// guards nothing. A link is resolved first, so every path to one file takes
// one lock. A folder that cannot be opened is not locked (the write that
// follows fails there anyway).
class FolderWriteLock {
public:
    explicit FolderWriteLock(const std::string& path);
    ~FolderWriteLock();
    FolderWriteLock(const FolderWriteLock&) = delete;
    FolderWriteLock& operator=(const FolderWriteLock&) = delete;

private:
    int fd_ = -1;
};

// A writer killed between creating its temporary file (".<name>.tmp<pid>-<n>"
// beside the target) and the rename leaves the file behind. Once a write of
// the same name in the open folder has succeeded, the temporary files of
// writers whose process is gone are removed, so they do not pile up beside
// the user's files. A process that still runs (a second program saving the
// same file, or a reused process id) keeps its own.
void RemoveStaleTempsAt(int folder, const std::string& name);
// Creates path with content, complete or not at all, and never over
// anything: the content goes to a temporary file beside it that is then
// linked to path, which fails when path exists (a symbolic link included).
// Two writers racing for one name: exactly one gets it.
// Writes all of data to fd, again after an interrupted call; false on any
// error or a write that takes nothing.
bool WriteAll(int fd, const char* data, std::size_t size);

enum class ExclusiveWrite { kWritten, kExists, kFailed };
ExclusiveWrite WriteFileExclusive(const std::string& path, const std::string& content);
// The same for a file that grows after its first content (a log): name in
// the open folder is created holding content, or not at all, and never over
// anything (a link under the name included); on kWritten fd is the new file
// open for writing after content, and the caller closes it.
ExclusiveWrite CreateFileExclusiveAt(int folder, const std::string& name, const std::string& content, int& fd);
// The largest data file, image file, definition, settings file or registry
// file the program reads: a whole 64 KB calibration in one-byte records is
// about 1 MB of text. A larger file is refused as unreadable rather than
// read into memory.
constexpr std::size_t kMaxInputFileSize = std::size_t{16} << 20;

// Reads a whole file; false when it cannot be opened or read, is no regular
// file, or holds more than limit bytes (content is then empty).
bool ReadWholeFile(const std::string& path, std::string& content,
                   std::size_t limit = static_cast<std::size_t>(-1));
// Why ReadWholeFile could not read path, in a few words for a message: "no
// such file", "a folder, not a file", the system's reason for refusing it to
// us; "it could not be read" when no cause shows any more. Size is left to
// the caller, which knows its limit.
std::string WhyUnreadable(const std::string& path);
