#pragma once
// A fresh folder under the temporary folder, removed with everything in it
// when the object goes away.
#include <string>

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& Path() const { return path_; }
    // path_ + "/" + name
    std::string File(const std::string& name) const;
    // Writes content to path_/name (binary, exactly as given); returns the path.
    std::string Write(const std::string& name, const std::string& content) const;
    std::string Read(const std::string& name) const;

private:
    std::string path_;
};
