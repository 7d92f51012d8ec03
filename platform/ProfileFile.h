#pragma once
// Private-profile (INI) file access with the Windows rules:
// sections and keys compared without regard to case, the first of duplicated
// sections and keys wins, strings read into a 260-character buffer, integers
// read from a leading sign and digits. Each call reads the file afresh, as the
// platform's profile calls do; reading never creates the file, writing
// rewrites it atomically and keeps every line it does not touch.
#include <cstddef>
#include <string>
#include <utility>
#include <vector>

class ProfileFile {
public:
    static constexpr std::size_t kBufferSize = 260;   // characters, terminating zero included

    explicit ProfileFile(std::string path) : path_(std::move(path)) {}
    const std::string& Path() const { return path_; }

    // The value of key in section, with blanks around it and one pair of
    // enclosing quotes removed, cut to kBufferSize - 1 characters; defaultValue
    // (cut the same way) when the file, the section or the key is missing.
    std::string ReadString(const std::string& section, const std::string& key,
                           const std::string& defaultValue) const;
    // A folder or file path: read as ReadString, but whole (paths of this
    // system run far past the buffer; a cut one names another folder). Up
    // to kMaxPathSize - 1 characters, else defaultValue.
    static constexpr std::size_t kMaxPathSize = 4096;
    std::string ReadPath(const std::string& section, const std::string& key, const std::string& defaultValue) const;
    // Optional blanks, optional sign, then decimal digits; the rest is ignored.
    // No digits gives 0; a missing key or an empty value gives defaultValue.
    int ReadInt(const std::string& section, const std::string& key, int defaultValue) const;
    // Replaces the key's line in place, or adds it at the end of its section,
    // or adds the section at the end of the file. false when the file could
    // not be written (the old file is then left as it was).
    bool WriteString(const std::string& section, const std::string& key, const std::string& value);
    // Several keys of one section, in order, in a single rewrite: the file
    // holds either all of them or none, even when the program dies midway.
    // Nothing is written when any key or value could not be.
    bool WriteStrings(const std::string& section, const std::vector<std::pair<std::string, std::string>>& values);

    // The same reading and rewrite on a file's text already in memory, for a
    // writer that reads and writes the file its own way (the installer,
    // which follows no links). SetStrings leaves text unchanged and returns
    // false when any key or value could not be written.
    static std::string StringIn(const std::string& text, const std::string& section, const std::string& key,
                                const std::string& defaultValue);
    static bool SetStrings(std::string& text, const std::string& section,
                           const std::vector<std::pair<std::string, std::string>>& values);

private:
    std::string path_;
};
