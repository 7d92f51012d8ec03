#include "config/CommLogFile.h"

#include "model/Strings.h"

bool CommLogFile::Open(const std::string& path, bool deleteFirst) {
    Close();
    if (path.empty()) return false;
    if (deleteFirst) std::remove(path.c_str());
    file_ = std::fopen(path.c_str(), "a+");
    if (!file_) return false;
    path_ = path;
    Write(Str(str::kCommLogHeader), false);
    return true;
}

void CommLogFile::Close() {
    if (file_) std::fclose(file_);
    file_ = nullptr;
}

void CommLogFile::Write(const std::string& text, bool flush) {
    if (!file_) return;
    std::fputs(text.c_str(), file_);
    if (flush) std::fflush(file_);
}
