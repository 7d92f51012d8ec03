#include "files/DatalogWriter.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "model/DiagValue.h"
#include "platform/FileIo.h"
#include "platform/PathSearch.h"

namespace fs = std::filesystem;

namespace {

constexpr auto kSyncInterval = std::chrono::seconds(1);
// "-2" .. "-99" after the time-stamped name: a hundred logs started in one
// second is no recording any more.
constexpr int kMaxCopies = 99;

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

// A log whose writer was killed while making it leaves its temporary file
// (".<name>.tmp<pid>-<n>"); no later log takes that name again, so each new
// log clears those of every name whose writer is gone.
void RemoveStaleLogTemps(int folder) {
    // A duplicate shares the folder's read position: each listing starts over.
    ::lseek(folder, 0, SEEK_SET);
    const int listFd = ::dup(folder);
    DIR* dir = listFd < 0 ? nullptr : ::fdopendir(listFd);
    if (!dir) {
        if (listFd >= 0) ::close(listFd);
        return;
    }
    std::vector<std::string> names;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string found = entry->d_name;
        const std::size_t tmp = found.find(".csv.tmp");
        if (found.size() > 1 && found[0] == '.' && tmp != std::string::npos) names.push_back(found.substr(1, tmp + 3));
    }
    ::closedir(dir);
    for (const std::string& name : names) {
        ::lseek(folder, 0, SEEK_SET);
        RemoveStaleTempsAt(folder, name);
    }
}

}  // namespace

std::vector<DatalogColumn> DatalogColumns(const std::vector<DiagItem>& items) {
    std::vector<DatalogColumn> columns;
    for (const DiagItem& item : items) columns.push_back({item.name, item.unit, DiagDecimals(item)});
    return columns;
}

std::string DatalogRowText(double seconds, const std::vector<DiagItem>& items,
                           const std::vector<DatalogColumn>& columns,
                           const std::vector<std::optional<std::uint16_t>>& raws) {
    std::string line = DatalogNumber(seconds, datalog::kTimeDecimals);
    for (std::size_t at = 0; at < items.size(); ++at) {
        line += ',';
        if (at < raws.size() && raws[at])
            line += DatalogNumber(static_cast<double>(DiagValue(items[at], *raws[at])), columns[at].decimals);
    }
    return line + "\n";
}

std::string DatalogFileName(const std::tm& local, int copy) {
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, "%04d%02d%02d-%02d%02d%02d", local.tm_year + 1900, local.tm_mon + 1,
                  local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    std::string name = stamp;
    if (copy > 1) name += "-" + std::to_string(copy);
    return name + ".csv";
}

std::string DatalogFolderFor(const std::string& settingsFilePath) {
    return (fs::path(settingsFilePath).parent_path() / "WORK" / datalog::kFolderName).string();
}

DatalogWriter::DatalogWriter(std::vector<DiagItem> items)
    : clock([] { return std::chrono::steady_clock::now(); }), items_(std::move(items)), columns_(DatalogColumns(items_)) {}

DatalogWriter::~DatalogWriter() { Close(); }

void DatalogWriter::CloseFiles() {
    if (fd_ >= 0) ::close(fd_);
    if (folder_ >= 0) ::close(folder_);
    fd_ = folder_ = -1;
}

DatalogOpen DatalogWriter::CreateIn(int folder, const std::string& folderPath, const std::string& name) {
    int fd = -1;
    switch (CreateFileExclusiveAt(folder, name, DatalogHeader(columns_), fd)) {
    case ExclusiveWrite::kWritten: break;
    case ExclusiveWrite::kExists: return DatalogOpen::kExists;
    case ExclusiveWrite::kFailed: error_ = errno; return DatalogOpen::kFailed;
    }
    folder_ = folder;
    fd_ = fd;
    name_ = name;
    path_ = JoinPath(folderPath, name);
    replaces_.clear();
    rows_ = 0;
    size_ = static_cast<off_t>(DatalogHeader(columns_).size());
    error_ = 0;
    lastSync_ = clock();
    return DatalogOpen::kOk;
}

DatalogOpen DatalogWriter::CreateInFolder(const std::string& folder, std::time_t now) {
    Close();
    // The work folder is the user's to place (a link to it is followed);
    // the logs folder below it is ours and must be a folder.
    const std::string parent = FolderOf(folder);
    const std::string leaf = FileNamePart(folder);
    std::error_code ignored;
    fs::create_directories(parent, ignored);
    const int parentFd = ::open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (parentFd < 0 || leaf.empty()) {
        error_ = parentFd < 0 ? errno : EINVAL;
        if (parentFd >= 0) ::close(parentFd);
        return DatalogOpen::kFailed;
    }
    if (::mkdirat(parentFd, leaf.c_str(), 0777) != 0 && errno != EEXIST) {
        error_ = errno;
        ::close(parentFd);
        return DatalogOpen::kFailed;
    }
    const int logs = ::openat(parentFd, leaf.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    error_ = logs < 0 ? errno : 0;
    ::close(parentFd);
    if (logs < 0) {
        struct stat info {};
        const bool link = ::lstat(folder.c_str(), &info) == 0 && S_ISLNK(info.st_mode);
        return link ? DatalogOpen::kLink : DatalogOpen::kFailed;
    }
    std::tm local{};
    localtime_r(&now, &local);
    for (int copy = 1; copy <= kMaxCopies; ++copy) {
        const DatalogOpen opened = CreateIn(logs, folder, DatalogFileName(local, copy));
        if (opened != DatalogOpen::kExists) {
            if (opened != DatalogOpen::kOk) ::close(logs);
            else RemoveStaleLogTemps(logs);
            return opened;
        }
    }
    ::close(logs);
    return DatalogOpen::kExists;
}

DatalogOpen DatalogWriter::Create(const std::string& path, bool replace) {
    Close();
    const std::string name = FileNamePart(path);
    if (name.empty() || name == "." || name == "..") {
        error_ = EISDIR;
        return DatalogOpen::kFailed;
    }
    const std::string folderPath = FolderOf(path);
    const int folder = ::open(folderPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0) {
        error_ = errno;
        return DatalogOpen::kFailed;
    }
    struct stat info {};
    const bool taken = ::fstatat(folder, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0;
    if (replace && taken) {
        if (S_ISDIR(info.st_mode)) {
            error_ = EISDIR;
            ::close(folder);
            return DatalogOpen::kFailed;
        }
        // The old file stays until this log has rows to stand in its place.
        const std::string part = name + ".part" + std::to_string(static_cast<long>(::getpid()));
        const DatalogOpen opened = CreateIn(folder, folderPath, part);
        if (opened != DatalogOpen::kOk) {
            ::close(folder);
            return opened;
        }
        replaces_ = name;
        path_ = JoinPath(folderPath, name);
        return opened;
    }
    const DatalogOpen opened = CreateIn(folder, folderPath, name);
    if (opened != DatalogOpen::kOk) ::close(folder);
    return opened;
}

bool DatalogWriter::WriteRow(double seconds, const std::vector<std::optional<std::uint16_t>>& raws) {
    if (fd_ < 0) return false;
    const std::string line = DatalogRowText(seconds, items_, columns_, raws);
    // One write for the whole row: a kill lands before it or after it.
    bool ok = WriteAll(fd_, line.data(), line.size());
    if (!ok) {
        // A full disk may have taken part of the row: the file is cut back
        // to its last whole row, so no reader takes "7" for "70".
        const int cause = errno != 0 ? errno : EIO;
        if (::ftruncate(fd_, size_) == 0) ::fdatasync(fd_);
        errno = cause;
    }
    if (ok && clock() - lastSync_ >= kSyncInterval) {
        ok = ::fdatasync(fd_) == 0;
        lastSync_ = clock();
    }
    if (!ok) {
        error_ = errno != 0 ? errno : EIO;
        // A log cut short does not replace the file it was to replace: its
        // rows stay under its own name beside it.
        if (!replaces_.empty()) path_ = JoinPath(FolderOf(path_), name_);
        replaces_.clear();
        CloseFiles();
        return false;
    }
    ++rows_;
    size_ += static_cast<off_t>(line.size());
    return true;
}

bool DatalogWriter::Close() {
    if (fd_ < 0 && replaces_.empty()) return error_ == 0;
    if (fd_ >= 0 && ::fdatasync(fd_) != 0) error_ = errno;
    if (!replaces_.empty() && folder_ >= 0) {
        // The rows there are (even after a failed write) take the old file's
        // name in one step; a folder put there meanwhile is not replaced.
        if (::renameat(folder_, name_.c_str(), folder_, replaces_.c_str()) == 0) {
            name_ = replaces_;
            ::fsync(folder_);
        } else {
            if (error_ == 0) error_ = errno;
            path_ = JoinPath(FolderOf(path_), name_);
        }
        replaces_.clear();
    }
    CloseFiles();
    return error_ == 0;
}

void DatalogWriter::Discard() {
    replaces_.clear();   // the old file keeps its name
    if (fd_ < 0) return;
    struct stat mine {}, named {};
    // Only while the name still stands for the file written here.
    if (::fstat(fd_, &mine) == 0 && ::fstatat(folder_, name_.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
        mine.st_dev == named.st_dev && mine.st_ino == named.st_ino)
        ::unlinkat(folder_, name_.c_str(), 0);
    CloseFiles();
}
