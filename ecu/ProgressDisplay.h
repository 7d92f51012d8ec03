#pragma once
// The small progress window of the ECU operations: a title line and a
// progress text that starts as "Wait...". The Qt window implements it; batch
// use and tests pass the silent one or record.
#include <string>

struct ProgressDisplay {
    virtual ~ProgressDisplay() = default;
    virtual void Show(const std::string& title) = 0;   // progress text "Wait..."
    virtual void SetText(const std::string& text) = 0;
    virtual void Close() = 0;
};

class SilentProgress : public ProgressDisplay {
public:
    void Show(const std::string&) override {}
    void SetText(const std::string&) override {}
    void Close() override {}
};
