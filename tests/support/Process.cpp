#include "tests/support/Process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>

#include "tests/support/TempDir.h"

extern char** environ;

namespace {

std::string NameOf(const std::string& entry) { return entry.substr(0, entry.find('=')); }

std::vector<std::string> ChildEnvironment(const std::vector<std::string>& set, const std::vector<std::string>& unset) {
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry = *e;
        const std::string name = NameOf(entry);
        bool drop = false;
        for (const std::string& u : unset) drop = drop || u == name;
        for (const std::string& s : set) drop = drop || NameOf(s) == name;
        if (!drop) env.push_back(entry);
    }
    env.insert(env.end(), set.begin(), set.end());
    return env;
}

std::vector<char*> Pointers(std::vector<std::string>& strings) {
    std::vector<char*> pointers;
    for (std::string& s : strings) pointers.push_back(s.data());
    pointers.push_back(nullptr);
    return pointers;
}

}  // namespace

ProcessResult RunProcess(const std::vector<std::string>& argv, const std::vector<std::string>& set,
                         std::chrono::milliseconds bound, const std::vector<std::string>& unset) {
    using Clock = std::chrono::steady_clock;
    std::vector<std::string> env = ChildEnvironment(set, unset);
    std::vector<std::string> argvCopy = argv;
    std::vector<char*> envp = Pointers(env);
    std::vector<char*> args = Pointers(argvCopy);

    // Files rather than pipes: the child never blocks on a full pipe while
    // we wait for it.
    const TempDir scratch;
    const std::string outPath = scratch.File("stdout.txt");
    const std::string errPath = scratch.File("stderr.txt");
    const pid_t child = ::fork();
    if (child == 0) {
        const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(out, 1);
        ::dup2(err, 2);
        ::execve(args[0], args.data(), envp.data());
        ::_exit(127);
    }
    ProcessResult result;
    int status = 0;
    const Clock::time_point deadline = Clock::now() + bound;
    while (::waitpid(child, &status, WNOHANG) == 0) {
        if (Clock::now() > deadline) {
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
            result.hung = true;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (!result.hung && WIFEXITED(status)) result.status = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
    result.out = scratch.Read("stdout.txt");
    result.err = scratch.Read("stderr.txt");
    return result;
}
