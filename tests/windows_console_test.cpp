// Runs inside the Windows build only (under Wine on the build machine).
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <thread>
#include <vector>

#include "app/texts.hpp"
#include "case_name.hpp"
#include "platform/console.hpp"
#include "platform/file_write.hpp"
#include "platform/windows/console_windows.hpp"
#include "platform/windows/file_write_windows.hpp"
#include "test_support.hpp"

namespace secant {
namespace {

std::string converted(const char* text, unsigned codePage) {
    char buffer[kUtf8BufferSize];
    const std::size_t length = convertFromCp1251(text, codePage, buffer, sizeof buffer);
    return std::string(buffer, length);
}

struct CodePageCase {
    const char* name;
    unsigned codePage;
    std::string expected;
};

using testing::PrintTo;

class CodePageTest : public ::testing::TestWithParam<CodePageCase> {};

TEST_P(CodePageTest, ConvertsTheBannerExplicitly) {
    const CodePageCase& c = GetParam();
    EXPECT_EQ(converted(texts::kPressAnyKey.zeroTerminated(), c.codePage), c.expected);
}

const CodePageCase kCodePages[] = {
    {"Oem866", 866,
     "\x8D\xA0\xA6\xAC\xA8\xE2\xA5 \xAB\xEE\xA1\xE3\xEE \xAA\xAB\xA0\xA2\xA8\xE8\xE3"},
    {"Utf8", 65001, "Нажмите любую клавишу"},
    {"Koi8r", 20866,
     "\xEE\xC1\xD6\xCD\xC9\xD4\xC5 \xCC\xC0\xC2\xD5\xC0 \xCB\xCC\xC1\xD7\xC9\xDB\xD5"},
    {"UsOemHasNoCyrillic", 437, "??????? ????? ???????"},
};

INSTANTIATE_TEST_SUITE_P(Windows, CodePageTest, ::testing::ValuesIn(kCodePages),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Windows, ConversionKeepsAsciiAndStopsAtTheLimit) {
    EXPECT_EQ(converted("A()= x1", 866), "A()= x1");
    const std::string longText(150, 'a');
    EXPECT_EQ(converted(longText.c_str(), 65001).size(), kMaxTextBytes);
}

// A case that needs a console runs in a child process of this program with a
// console of its own and no window (CREATE_NO_WINDOW), which Wine gives too:
// the key events and Ctrl+C events that the case sends there reach that
// process alone. The child runs the one case, knows itself by kChildVariable
// and finds its folder in kFolderVariable; the parent judges it by its exit
// status and by what it left in the folder.
constexpr char kChildVariable[] = "SECANT_TEST_CONSOLE_CHILD";
constexpr char kFolderVariable[] = "SECANT_TEST_CONSOLE_FOLDER";
constexpr DWORD kChildTimeoutMs = 60000;
// A child that outlives what should have ended it.
constexpr UINT kSurvived = 3;
// A child whose handler let the system's handler go next.
constexpr UINT kPassedOn = 4;

bool inChild() {
    return GetEnvironmentVariableA(kChildVariable, nullptr, 0) != 0;
}

std::string childFolder() {
    char folder[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableA(kFolderVariable, folder, MAX_PATH);
    return std::string(folder, length < MAX_PATH ? length : 0);
}

std::string currentCase() {
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    return std::string(info->test_suite_name()) + "." + info->name();
}

// Runs the case (Suite.Name) in a child with a console of its own; returns its
// exit status, or kChildTimeoutMs where it did not end in time.
DWORD runInOwnConsole(const std::string& testCase, const std::string& folder = std::string()) {
    char self[MAX_PATH] = {};
    if (GetModuleFileNameA(nullptr, self, MAX_PATH) == 0) {
        ADD_FAILURE() << "no path of the test program";
        return kChildTimeoutMs;
    }
    std::string command =
        std::string("\"") + self + "\" --gtest_brief=1 --gtest_filter=" + testCase;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    (void)SetHandleInformation(startup.hStdOutput, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
    (void)SetHandleInformation(startup.hStdError, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
    PROCESS_INFORMATION child{};
    (void)SetEnvironmentVariableA(kChildVariable, "1");
    (void)SetEnvironmentVariableA(kFolderVariable, folder.c_str());
    const BOOL started = CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE,
                                        CREATE_NO_WINDOW, nullptr, nullptr, &startup, &child);
    (void)SetEnvironmentVariableA(kChildVariable, nullptr);
    (void)SetEnvironmentVariableA(kFolderVariable, nullptr);
    if (started == 0) {
        ADD_FAILURE() << "CreateProcess failed: " << GetLastError();
        return kChildTimeoutMs;
    }
    DWORD status = kChildTimeoutMs;
    if (WaitForSingleObject(child.hProcess, kChildTimeoutMs) != WAIT_OBJECT_0) {
        (void)TerminateProcess(child.hProcess, kChildTimeoutMs);
    } else if (GetExitCodeProcess(child.hProcess, &status) == 0) {
        status = kChildTimeoutMs;
    }
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
    return status;
}

// A folder of its own for one case, removed with whatever it holds.
class ScratchFolder {
public:
    ScratchFolder() {
        char base[MAX_PATH] = {};
        const DWORD length = GetTempPathA(MAX_PATH, base);
        static int made = 0;
        path_ = std::string(base, length) + "secant-test-" + std::to_string(GetCurrentProcessId()) +
                "-" + std::to_string(++made);
        created_ = CreateDirectoryA(path_.c_str(), nullptr) != 0;
    }
    ~ScratchFolder() {
        for (const std::string& name : entries()) {
            (void)DeleteFileA((path_ + "\\" + name).c_str());
        }
        (void)RemoveDirectoryA(path_.c_str());
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    [[nodiscard]] bool created() const { return created_; }
    [[nodiscard]] const std::string& path() const { return path_; }

    [[nodiscard]] std::vector<std::string> entries() const { return entriesOf(path_); }

    static std::vector<std::string> entriesOf(const std::string& folder,
                                              const char* pattern = "*") {
        std::vector<std::string> names;
        WIN32_FIND_DATAA found{};
        const HANDLE search = FindFirstFileA((folder + "\\" + pattern).c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) {
            return names;
        }
        do {
            const std::string name = found.cFileName;
            if (name != "." && name != "..") {
                names.push_back(name);
            }
        } while (FindNextFileA(search, &found) != 0);
        FindClose(search);
        return names;
    }

private:
    std::string path_;
    bool created_ = false;
};

INPUT_RECORD keyEvent(char character, bool down) {
    INPUT_RECORD record{};
    record.EventType = KEY_EVENT;
    record.Event.KeyEvent.bKeyDown = down ? TRUE : FALSE;
    record.Event.KeyEvent.wRepeatCount = 1;
    record.Event.KeyEvent.wVirtualKeyCode = static_cast<WORD>(VkKeyScanA(character) & 0xFF);
    record.Event.KeyEvent.uChar.AsciiChar = character;
    return record;
}

// Each character pressed and released, as a paste arrives.
bool typeInto(HANDLE console, const char* text) {
    std::vector<INPUT_RECORD> records;
    for (const char* c = text; *c != '\0'; ++c) {
        records.push_back(keyEvent(*c, true));
        records.push_back(keyEvent(*c, false));
    }
    DWORD written = 0;
    return WriteConsoleInputA(console, records.data(), static_cast<DWORD>(records.size()),
                              &written) != 0;
}

DWORD eventsWaiting(HANDLE console) {
    DWORD count = 0;
    return GetNumberOfConsoleInputEvents(console, &count) != 0 ? count : MAXDWORD;
}

HANDLE openConsoleInput() {
    return CreateFileA("CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                       nullptr, OPEN_EXISTING, 0, nullptr);
}

// A paste whose rest arrives a moment after the key that ends the wait: none
// of it is left in the console for the next program.
TEST(WindowsConsole, KeyWaitDropsThePasteArrivingAfterTheKey) {
    if (!inChild()) {
        EXPECT_EQ(runInOwnConsole(currentCase()), 0U);
        return;
    }
    const ConsoleSession session;
    const HANDLE console = openConsoleInput();
    ASSERT_NE(console, INVALID_HANDLE_VALUE);
    bool typed = false;
    std::thread paste([console, &typed] {
        const INPUT_RECORD press = keyEvent('q', true);
        DWORD written = 0;
        const bool pressed = WriteConsoleInputA(console, &press, 1, &written) != 0;
        while (pressed && eventsWaiting(console) != 0) {
            Sleep(1);  // until the wait has taken the key
        }
        Sleep(10);
        typed = pressed && typeInto(console, "PWNED");
    });
    EXPECT_EQ(waitForKey(), 'q');
    paste.join();
    EXPECT_TRUE(typed);
    EXPECT_EQ(eventsWaiting(console), 0U);
    CloseHandle(console);
}

constexpr char kTemporaryPattern[] = ".secant-*";

struct InterruptCase {
    const char* name;
    DWORD event;
    bool beforeTheFile;  // the handler has run before the write begins
};

// Ctrl+C goes to the console; Wine sends no other event, so the handler is
// called here as the system calls it, and what the system then does (end
// the process when the handler passes the event on) is done here too.
[[noreturn]] void callTheHandlerAsTheSystemDoes(DWORD event) {
    ExitProcess(removeTemporaryOnControl(event) == FALSE ? kPassedOn : kSurvived);
}

// Sends the event once the write's temporary file is there.
void sendOnceTheTemporaryIsThere(const std::string& folder, DWORD event) {
    while (ScratchFolder::entriesOf(folder, kTemporaryPattern).empty()) {
        Sleep(1);
    }
    if (event == CTRL_C_EVENT) {
        (void)GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0);
        return;
    }
    callTheHandlerAsTheSystemDoes(event);
}

// Large enough that the event arrives before the write is done.
constexpr std::size_t kLargePicture = std::size_t{64} << 20;
// Long enough for a small write to be done.
constexpr DWORD kSmallWriteMs = 1000;

// The child's part: a write that the event interrupts, and a child that
// outlives it says so. Where the handler has run before, the write must
// not begin: the system is about to end the process.
[[noreturn]] void writeInterruptedBy(const InterruptCase& c) {
    const std::string target = childFolder() + "\\plot.svg";
    if (c.beforeTheFile) {
        const BOOL passedOn = removeTemporaryOnControl(c.event);
        std::thread writer([&target] { (void)writeFileWhole(target.c_str(), "<svg/>"); });
        writer.detach();
        Sleep(kSmallWriteMs);
        ExitProcess(passedOn == FALSE ? kPassedOn : kSurvived);
    }
    std::thread sender(sendOnceTheTemporaryIsThere, childFolder(), c.event);
    const std::string content(kLargePicture, 'x');
    (void)writeFileWhole(target.c_str(), content);
    sender.join();
    Sleep(kChildTimeoutMs / 2);
    ExitProcess(kSurvived);
}

// How a process at a console ends on Ctrl+C without a handler of its own
// (STATUS_CONTROL_C_EXIT on Windows, 0 under Wine): the status of a child
// that sends itself Ctrl+C.
TEST(WindowsConsole, CtrlCEndsAProcess) {
    if (!inChild()) {
        EXPECT_NE(runInOwnConsole("WindowsConsole.CtrlCEndsAProcess"), kSurvived);
        return;
    }
    (void)GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0);
    Sleep(kChildTimeoutMs / 2);
    ExitProcess(kSurvived);
}

DWORD ctrlCStatus() {
    static const DWORD status = runInOwnConsole("WindowsConsole.CtrlCEndsAProcess");
    return status;
}

class InterruptedWriteTest : public ::testing::TestWithParam<InterruptCase> {};

// An event during the picture's write removes the temporary file, and the
// process ends as the event ends it without the handler; an event just
// before it leaves no file begun.
TEST_P(InterruptedWriteTest, LeavesNoFileAndEndsAsBefore) {
    const InterruptCase& c = GetParam();
    if (inChild()) {
        writeInterruptedBy(c);
    }
    const ScratchFolder folder;
    ASSERT_TRUE(folder.created());
    const DWORD status = runInOwnConsole(currentCase(), folder.path());
    const bool sentToTheConsole = c.event == CTRL_C_EVENT && !c.beforeTheFile;
    EXPECT_EQ(status, sentToTheConsole ? ctrlCStatus() : kPassedOn);
    EXPECT_EQ(folder.entries(), std::vector<std::string>{});
}

const InterruptCase kInterrupts[] = {
    {"CtrlC", CTRL_C_EVENT, false},
    {"CtrlBreak", CTRL_BREAK_EVENT, false},
    {"ConsoleClosed", CTRL_CLOSE_EVENT, false},
    {"CtrlCJustBefore", CTRL_C_EVENT, true},
};

INSTANTIATE_TEST_SUITE_P(Windows, InterruptedWriteTest, ::testing::ValuesIn(kInterrupts),
                         [](const auto& info) { return std::string(info.param.name); });

std::uint64_t sameName(int /*attempt*/) {
    return 42;
}

bool plantFile(const std::string& path) {
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    return file != INVALID_HANDLE_VALUE && CloseHandle(file) != 0;
}

bool exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

struct FinishedWriteCase {
    const char* name;
    bool targetHeldOpen;  // so that the move fails and the temporary is removed
};

class FinishedWriteTest : public ::testing::TestWithParam<FinishedWriteCase> {};

// Once the write is over, whether the picture is in place or its temporary
// removed, the handler removes nothing, not even a file that has since taken
// the temporary's name.
TEST_P(FinishedWriteTest, LeavesTheHandlerNothingToRemove) {
    const FinishedWriteCase& c = GetParam();
    if (!inChild()) {
        const ScratchFolder folder;
        ASSERT_TRUE(folder.created());
        EXPECT_EQ(runInOwnConsole(currentCase(), folder.path()), 0U);
        return;
    }
    const std::string folder = childFolder();
    const std::string target = folder + "\\plot.svg";
    HANDLE held = INVALID_HANDLE_VALUE;
    if (c.targetHeldOpen) {
        held = CreateFileA(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(held, INVALID_HANDLE_VALUE);
    }
    EXPECT_EQ(writeFileWhole(target.c_str(), "<svg/>", sameName).written(), !c.targetHeldOpen);
    const std::string planted =
        folder + "\\.secant-" + temporaryNameSuffix<std::string>(sameName(0)) + ".tmp";
    ASSERT_TRUE(plantFile(planted));
    EXPECT_EQ(removeTemporaryOnControl(CTRL_C_EVENT), FALSE);
    EXPECT_TRUE(exists(planted));
    EXPECT_TRUE(exists(target));
    if (held != INVALID_HANDLE_VALUE) {
        CloseHandle(held);
    }
}

const FinishedWriteCase kFinishedWrites[] = {
    {"Moved", false},
    {"MoveFailed", true},
};

INSTANTIATE_TEST_SUITE_P(Windows, FinishedWriteTest, ::testing::ValuesIn(kFinishedWrites),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace secant
