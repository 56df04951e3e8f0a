// The picture's file write on POSIX, where a test can plant files in its way.
#include "platform/file_write.hpp"

#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/posix/signals.hpp"

namespace secant {
namespace {

std::uint64_t attemptAlone(int attempt) {
    return static_cast<std::uint64_t>(attempt);
}

std::string contentOf(const std::string& path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// A file at the first temporary name, linked to another: the write must take
// the next name and never write through the one it finds.
TEST(FileWrite, NeverOpensAFileAtTheTemporaryName) {
    char folderTemplate[] = "/tmp/secant-file-write-XXXXXX";
    const std::string folder = mkdtemp(folderTemplate);
    const std::string victim = folder + "/victim";
    const std::string planted = folder + "/.secant-" + temporaryNameSuffix<std::string>(0);
    std::ofstream(victim) << "victim";
    ASSERT_EQ(link(victim.c_str(), planted.c_str()), 0);

    const std::string target = folder + "/plot.svg";
    EXPECT_TRUE(writeFileWhole(target.c_str(), "<svg/>", attemptAlone).written());
    EXPECT_EQ(contentOf(target), "<svg/>");
    EXPECT_EQ(contentOf(victim), "victim");
    EXPECT_EQ(contentOf(planted), "victim");

    for (const std::string& file : {target, victim, planted}) {
        (void)unlink(file.c_str());
    }
    (void)rmdir(folder.c_str());
}

// What a folder holds, less . and ..
std::vector<std::string> entriesOf(const std::string& folder) {
    std::vector<std::string> names;
    DIR* const listing = opendir(folder.c_str());
    if (listing == nullptr) {
        return names;
    }
    while (const dirent* entry = readdir(listing)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") {
            names.push_back(name);
        }
    }
    closedir(listing);
    return names;
}

// The target of the write below; its name source makes a folder of it once
// the target has been looked at, so that the rename at the end fails.
std::string targetTakenMeanwhile;

std::uint64_t takeTheTarget(int attempt) {
    (void)mkdir(targetTakenMeanwhile.c_str(), 0700);
    return static_cast<std::uint64_t>(attempt);
}

// A rename that fails, after the temporary was written in full: the write
// fails with the rename's reason and takes its temporary with it.
TEST(FileWrite, RemovesTheTemporaryWhereTheRenameFails) {
    char folderTemplate[] = "/tmp/secant-file-write-XXXXXX";
    const std::string folder = mkdtemp(folderTemplate);
    targetTakenMeanwhile = folder + "/plot.svg";

    const FileWriteResult result =
        writeFileWhole(targetTakenMeanwhile.c_str(), "<svg/>", takeTheTarget);
    EXPECT_FALSE(result.written());
    EXPECT_EQ(result.systemError, EISDIR);
    EXPECT_EQ(entriesOf(folder), std::vector<std::string>{"plot.svg"});

    (void)rmdir(targetTakenMeanwhile.c_str());
    (void)rmdir(folder.c_str());
}

void noteSignal(int /*signalNumber*/) {}

// While it writes, the write catches the signals that end the process (but
// one that is ignored); once done, each has the action it had again.
TEST(FileWrite, GivesTheSignalsTheirActionsBack) {
    char folderTemplate[] = "/tmp/secant-file-write-XXXXXX";
    const std::string folder = mkdtemp(folderTemplate);
    const std::string target = folder + "/plot.svg";
    struct sigaction noted {};
    noted.sa_handler = noteSignal;
    ASSERT_EQ(sigaction(SIGUSR1, &noted, nullptr), 0);
    ASSERT_NE(signal(SIGIO, SIG_IGN), SIG_ERR);

    EXPECT_TRUE(writeFileWhole(target.c_str(), "<svg/>").written());
    struct sigaction now {};
    ASSERT_EQ(sigaction(SIGUSR1, nullptr, &now), 0);
    EXPECT_EQ(now.sa_handler, noteSignal);
    ASSERT_EQ(sigaction(SIGIO, nullptr, &now), 0);
    EXPECT_EQ(now.sa_handler, SIG_IGN);
    ASSERT_EQ(sigaction(SIGRTMIN + 3, nullptr, &now), 0);
    EXPECT_EQ(now.sa_handler, SIG_DFL);

    (void)signal(SIGUSR1, SIG_DFL);
    (void)signal(SIGIO, SIG_DFL);
    (void)unlink(target.c_str());
    (void)rmdir(folder.c_str());
}

// The set that the write and the key wait hold while they change what a
// handler sees: every signal that ends the process, the real-time ones too,
// and none that stops it or is harmless.
TEST(Signals, TheEndingSetIsEverySignalThatEndsTheProcess) {
    const sigset_t ending = endingSignalSet();
    for (int s = 1; s < kSignalLimit; ++s) {
        sigset_t probe{};
        sigemptyset(&probe);
        if (sigaddset(&probe, s) != 0) {
            continue;  // a number the C library keeps for itself
        }
        EXPECT_EQ(sigismember(&ending, s) == 1, endsProcessByDefault(s)) << "signal " << s;
    }
    std::vector<int> ends = {SIGHUP,       SIGINT,  SIGQUIT, SIGTERM,   SIGIO,  SIGSEGV,  SIGBUS,
                             SIGFPE,       SIGILL,  SIGABRT, SIGTRAP,   SIGSYS, SIGRTMIN, SIGRTMAX,
                             SIGRTMIN + 3, SIGPIPE, SIGALRM, SIGVTALRM, SIGXCPU};
#ifdef SIGPWR
    ends.push_back(SIGPWR);
#endif
#ifdef SIGSTKFLT
    ends.push_back(SIGSTKFLT);
#endif
    for (const int s : ends) {
        EXPECT_TRUE(endsProcessByDefault(s)) << "signal " << s;
    }
    for (const int s : {SIGKILL, SIGSTOP, SIGTSTP, SIGTTIN, SIGTTOU, SIGCONT, SIGCHLD, SIGURG,
                        SIGWINCH, 0, kSignalLimit}) {
        EXPECT_FALSE(endsProcessByDefault(s)) << "signal " << s;
    }
}

}  // namespace
}  // namespace secant
