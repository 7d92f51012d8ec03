#pragma once
// The registry, off Windows: one text file in the Windows ".reg" format
//
//   Windows Registry Editor Version 5.00
//
//   [HKEY_LOCAL_MACHINE\SOFTWARE\RV_Tune]
//   "MachineName"="'04 Example"
//   "ReadEcuNum"=dword:0000001e
//   "EcuCheckResult"=hex:4d,31,00
//
// Key paths and value names compare without regard to case, as in the
// registry. A string value holds its text and a terminating zero, so the
// size of "M1" is 3 bytes, as the registry reports it.
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

struct RegistryValue {
    enum class Type { kString, kDword, kBinary };
    Type type = Type::kString;
    std::vector<std::uint8_t> data;   // the raw bytes; a DWORD is 4 bytes, little-endian
};

// One value of a write of several values at once.
struct RegistryWrite {
    std::string key;
    std::string name;
    RegistryValue value;
};

class RegistryStore {
public:
    static constexpr const char* kMachineRoot = "HKEY_LOCAL_MACHINE";

    // $RV_TUNE_REGISTRY, else $XDG_CONFIG_HOME/RV_Tune/registry.reg, else
    // ~/.config/RV_Tune/registry.reg.
    static std::string DefaultPath();

    explicit RegistryStore(std::string path) : path_(std::move(path)) {}
    const std::string& Path() const { return path_; }

    // Opening a key for reading: false when the file or the key is missing.
    // key is below HKEY_LOCAL_MACHINE, e.g. "SOFTWARE\\RV_Tune".
    bool KeyExists(const std::string& key) const;
    // The value, or nothing when the key or the value is missing.
    std::optional<RegistryValue> Query(const std::string& key, const std::string& name) const;

    // Each write creates the key (and the file and its folder) when missing,
    // rewrites the file atomically and keeps every other key and value.
    bool SetString(const std::string& key, const std::string& name, const std::string& text);
    bool SetDword(const std::string& key, const std::string& name, std::uint32_t value);
    bool SetBinary(const std::string& key, const std::string& name,
                   const std::vector<std::uint8_t>& bytes);
    // Several values, in order, in a single rewrite of the file: it holds
    // either all of them or none, even when the program dies midway.
    // Nothing is written when any key or name could not be.
    bool SetValues(const std::vector<RegistryWrite>& writes);
    static RegistryValue StringValue(const std::string& text);
    static RegistryValue DwordValue(std::uint32_t number);

    // Deleting a value, and a key with its subkeys and values: the lines that
    // give them are taken out of the file, every other line stays. True when
    // the value or key is gone afterwards (also when it never was there);
    // false when the file could not be read, parsed or written.
    bool DeleteValue(const std::string& key, const std::string& name);
    bool DeleteKey(const std::string& key);

    // Non-empty after a read or write found a file that does not parse; such a
    // file reads as empty. A write over it keeps a copy at Path() + ".bad".
    const std::string& ParseError() const { return parseError_; }

private:
    bool SetValue(const std::string& key, const std::string& name, const RegistryValue& value);
    // name empty: the whole key.
    bool Delete(const std::string& key, const std::string* name);
    std::string path_;
    mutable std::string parseError_;
};
