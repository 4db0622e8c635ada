// The registry of temporary files: it holds any number of them, and every way a program ends
// removes what is registered.
#include "TemporaryFiles.h"
#include "ZipTestUtil.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/wait.h>
#include <unistd.h>

using namespace ziptest;

namespace {

class TemporaryFilesTest : public TempDirTest {};

TEST_F(TemporaryFilesTest, StillRemovesAFileAfter5000Registrations) {
    // Registered one after the other, each forgotten before the next...
    WriteFile(path("cycled"), "c");
    for (int i = 0; i < 5000; ++i)
        fileio::UnregisterTemporary(fileio::RegisterTemporary(path("cycled").c_str()));
    // ...then 5000 at the same time (files that never came into being between two real ones),
    // and one more.
    std::vector<fileio::TemporarySlot> slots;
    for (int i = 0; i <= 5000; ++i) {
        const std::string name =
            path(i == 0 || i == 5000 ? "real" + std::to_string(i) : "never" + std::to_string(i));
        if (i == 0 || i == 5000) WriteFile(name, "x");
        slots.push_back(fileio::RegisterTemporary(name.c_str()));
        ASSERT_NE(slots.back(), 0) << i;
    }
    fileio::RemoveTemporariesNow();
    for (const fileio::TemporarySlot slot : slots)
        fileio::UnregisterTemporary(slot);
    std::vector<std::string> left;
    for (const auto &e : fs::directory_iterator(root))
        left.push_back(e.path().filename().string());
    EXPECT_EQ(left, std::vector<std::string>{"cycled"});
}

// A child installs the clean-up, registers a file and ends in one of the ways a program ends;
// "late" is registered by an exit handler that runs after the clean-up (as a thread still
// writing would), and must not outlive the program either.
std::string lateFile;
void registerLate() {
    WriteFile(lateFile, "late");
    fileio::RegisterTemporary(lateFile.c_str());
}

TEST_F(TemporaryFilesTest, EveryEndingRemovesWhatIsRegistered) {
    lateFile = path("late");
    for (const char *ending : {"exit", "return", "quick_exit", "SIGTERM"}) {
        const std::string file = path(std::string("kept-") + ending);
        WriteFile(file, "x");
        WriteFile(path("unregistered"), "stays");
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            std::atexit(registerLate);
            fileio::RemoveTemporariesAtEnd();
            fileio::RegisterTemporary(file.c_str());
            const std::string how = ending;
            if (how == "exit" || how == "return") std::exit(3); // main's return calls exit
            if (how == "quick_exit") std::quick_exit(3);
            raise(SIGTERM);
            _exit(4);
        }
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        if (std::string(ending) == "SIGTERM")
            EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM);
        else
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 3) << ending;
        EXPECT_FALSE(fs::exists(file)) << ending;
        EXPECT_FALSE(fs::exists(lateFile)) << ending;
        EXPECT_EQ(ReadFile(path("unregistered")), "stays");
    }
}

} // namespace
