#pragma once
// build/bin/ecusim as a child process on its own pseudo-terminal, stopped
// with SIGTERM, which makes it save its memory where --save says.
#include <sys/types.h>

#include <string>
#include <vector>

class EcusimProcess {
public:
    // Starts ecusim --link link followed by arguments, its standard output
    // going to outputPath, and waits until the link appears (10 s at most,
    // a safety net only).
    EcusimProcess(std::string link, std::vector<std::string> arguments, const std::string& outputPath = "/dev/null");
    ~EcusimProcess() { Stop(); }
    EcusimProcess(const EcusimProcess&) = delete;
    EcusimProcess& operator=(const EcusimProcess&) = delete;

    // The link exists: the simulator is ready for a port to open it.
    bool Ready() const;
    // SIGTERM; the exit status, -1 when it did not exit normally. A second
    // call gives the first one's result.
    int Stop();
    const std::string& Link() const { return link_; }
    // Sends signal to the simulator (SIGUSR1/SIGUSR2 switch its --chaos faults).
    void Signal(int signal) const;

private:
    std::string link_;
    pid_t pid_ = -1;
    int status_ = -1;
};

// The path of the ecusim built beside the tests.
std::string EcusimPath();
