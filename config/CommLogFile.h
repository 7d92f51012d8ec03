#pragma once
// The communication log: one text line per serial transfer, appended to the
// file named by the registry value "CommoLog". Owned by the registry settings
// and closed with them at program end.
#include <cstdio>
#include <string>

class CommLogFile {
public:
    CommLogFile() = default;
    ~CommLogFile() { Close(); }
    CommLogFile(const CommLogFile&) = delete;
    CommLogFile& operator=(const CommLogFile&) = delete;

    // Deletes the file first when deleteFirst, opens it for appending (created
    // when missing) and writes the header. A path that cannot be opened
    // leaves logging off; returns whether the log is open.
    bool Open(const std::string& path, bool deleteFirst);
    void Close();
    bool IsOpen() const { return file_ != nullptr; }
    const std::string& Path() const { return path_; }
    // Writes text as it stands; flush forces it to disk at once (write lines).
    void Write(const std::string& text, bool flush);

private:
    std::FILE* file_ = nullptr;
    std::string path_;
};
