// Temporary files left by writers that were killed before their rename.
#include "platform/FileIo.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include <sys/wait.h>
#include <unistd.h>

#include "tests/support/TempDir.h"

namespace {

// A process id that belonged to a process that has ended.
long DeadPid() {
    const pid_t pid = ::fork();
    if (pid == 0) ::_exit(0);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return pid;
}

TEST(FileIoTest, ASuccessfulWriteRemovesOnlyTheTemporaryFilesOfDeadWriters) {
    TempDir dir;
    const std::string target = dir.Write("cal.qsd", "old");
    const std::string dead = ".cal.qsd.tmp" + std::to_string(DeadPid()) + "-1";
    const std::string alive = ".cal.qsd.tmp" + std::to_string(static_cast<long>(::getppid())) + "-3";
    // Not ours: another file's temporary, a name that only starts like one,
    // and the shape of an older temporary name without the process id.
    const std::string others[] = {".other.qsd.tmp" + std::to_string(DeadPid()) + "-1", ".cal.qsd.tmp12x-1",
                                  ".cal.qsd.tmp123456789", "cal.qsd.tmp1-1"};
    dir.Write(dead, "half a calib");
    dir.Write(alive, "being written");
    for (const std::string& name : others) dir.Write(name, "x");

    ASSERT_TRUE(WriteFileAtomic(target, "new"));
    EXPECT_EQ(dir.Read("cal.qsd"), "new");
    EXPECT_FALSE(std::filesystem::exists(dir.File(dead)));
    EXPECT_TRUE(std::filesystem::exists(dir.File(alive)));
    for (const std::string& name : others) EXPECT_TRUE(std::filesystem::exists(dir.File(name))) << name;
}

}  // namespace
