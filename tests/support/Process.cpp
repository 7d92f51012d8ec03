#include "tests/support/Process.h"

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
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

namespace {

// In a child only: drops every group and becomes account. false when the
// system refused any step.
bool SwitchTo(const ProcessAccount& account) {
    return ::setgroups(0, nullptr) == 0 && ::setgid(static_cast<gid_t>(account.gid)) == 0 &&
           ::setuid(static_cast<uid_t>(account.uid)) == 0 && ::geteuid() == account.uid;
}

}  // namespace

OrdinaryUser::OrdinaryUser() {
    if (::geteuid() != 0) {
        available_ = true;
        account_ = ProcessAccount{::geteuid(), ::getegid()};
        return;
    }
    if (const passwd* entry = ::getpwnam("nobody"); entry != nullptr && entry->pw_uid != 0) {
        available_ = true;
        switchNeeded_ = true;
        account_ = ProcessAccount{entry->pw_uid, entry->pw_gid};
    }
}

void OrdinaryUser::Own(const std::string& path) const {
    if (!switchNeeded_) return;
    std::error_code ec;
    if (::lchown(path.c_str(), account_.uid, account_.gid) != 0) return;
    if (!std::filesystem::is_directory(std::filesystem::symlink_status(path, ec))) return;
    for (auto it = std::filesystem::recursive_directory_iterator(path, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
        if (::lchown(it->path().c_str(), account_.uid, account_.gid) != 0) break;
}

int OrdinaryUser::Run(const std::function<int()>& body) const {
    if (!available_) return -1;
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child < 0) return -1;
    if (child == 0) {
        if (switchNeeded_ && !SwitchTo(account_)) ::_exit(126);
        ::_exit(body() & 0xFF);
    }
    int status = 0;
    if (::waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status) == 126 && switchNeeded_ ? -1 : WEXITSTATUS(status);
}

ProcessResult RunProcess(const std::vector<std::string>& argv, const std::vector<std::string>& set,
                         std::chrono::milliseconds bound, const std::vector<std::string>& unset,
                         const ProcessAccount* account) {
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
        if (account != nullptr && !SwitchTo(*account)) ::_exit(126);
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
