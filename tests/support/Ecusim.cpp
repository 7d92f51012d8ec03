#include "tests/support/Ecusim.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>
#include <utility>

std::string EcusimPath() { return std::string(RV_BIN_DIR) + "/ecusim"; }

EcusimProcess::EcusimProcess(std::string link, std::vector<std::string> arguments, const std::string& outputPath)
    : link_(std::move(link)) {
    const std::string program = EcusimPath();
    arguments.insert(arguments.begin(), {program, "--link", link_});
    std::vector<char*> argv;
    for (std::string& a : arguments) argv.push_back(a.data());
    argv.push_back(nullptr);
    // The child only opens, duplicates and executes: a window test forks
    // with Qt's threads running.
    pid_ = ::fork();
    if (pid_ == 0) {
        const int out = ::open(outputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (out >= 0) ::dup2(out, 1);
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::seconds(10);
    while (!Ready() && Clock::now() < deadline) std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

bool EcusimProcess::Ready() const {
    struct stat info {};
    return ::lstat(link_.c_str(), &info) == 0;
}

void EcusimProcess::Signal(int signal) const {
    if (pid_ > 0) ::kill(pid_, signal);
}

int EcusimProcess::Stop() {
    if (pid_ <= 0) return status_;
    ::kill(pid_, SIGTERM);
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
    status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return status_;
}
