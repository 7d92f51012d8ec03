#pragma once
// Sets or clears one environment variable for the life of the object; the
// old value, or its absence, comes back at the end.
#include <cstdlib>
#include <optional>
#include <string>

class EnvOverride {
public:
    // value nullptr clears the variable; "" sets it empty.
    EnvOverride(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value) ::setenv(name, value, 1);
        else ::unsetenv(name);
    }
    EnvOverride(const char* name, const std::string& value) : EnvOverride(name, value.c_str()) {}
    ~EnvOverride() {
        if (old_) ::setenv(name_, old_->c_str(), 1);
        else ::unsetenv(name_);
    }
    EnvOverride(const EnvOverride&) = delete;
    EnvOverride& operator=(const EnvOverride&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};
