// MurnelSetupAdmin.exe run as its parent runs it, in a Wine prefix of the
// test's own. Test copies of the program carry their cabinet and product
// code as resources, added the way the packaging step adds them.
#include <windows.h>
#include <msi.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace {

using ::testing::HasSubstr;
using ::testing::Not;

const char kProductCode[] = "{6D1C2F4E-25A0-4B7E-9C31-0A5E2B7F4D10}";
const DWORD kWaitMs = 60000;
const UINT kActionStart = 0x08000000;

std::string Here()
{
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string s = path;
    return s.substr(0, s.rfind('\\') + 1);
}

std::string Fixture(const std::string& name) { return Here() + "fixtures\\" + name; }

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void MakeDirectories(const std::string& path)
{
    for (size_t i = 3; i <= path.size(); ++i)
        if (i == path.size() || path[i] == '\\') CreateDirectoryA(path.substr(0, i).c_str(), nullptr);
}

// Names in a directory, without "." and "..".
std::vector<std::string> List(const std::string& dir, const char* pattern = "*")
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((dir + pattern).c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        std::string name = found.cFileName;
        if (name != "." && name != "..") names.push_back(name);
    } while (FindNextFileA(find, &found));
    FindClose(find);
    std::sort(names.begin(), names.end());
    return names;
}

std::string TempDir()
{
    char path[MAX_PATH];
    GetTempPathA(MAX_PATH, path);
    return path;
}

std::string LogPath(DWORD processId)
{
    char name[64];
    std::snprintf(name, sizeof name, "MurnelSetupAdmin%lX.log", processId);
    return TempDir() + name;
}

// A copy of the delivered program in C:\setuptest\<name>\ with the given
// MAKEINTRESOURCEA(10) resources.
std::string TestCopy(const std::string& name, const std::map<std::string, std::string>& resources)
{
    std::string dir = "C:\\setuptest\\" + name + "\\";
    MakeDirectories(dir);
    std::string exe = dir + "MurnelSetupAdmin.exe";
    EXPECT_TRUE(CopyFileA(Fixture("MurnelSetupAdmin.exe").c_str(), exe.c_str(), FALSE));
    if (resources.empty()) return exe;
    HANDLE update = BeginUpdateResourceA(exe.c_str(), FALSE);
    EXPECT_NE(update, nullptr);
    for (const auto& [resourceName, data] : resources)
        EXPECT_TRUE(UpdateResourceA(update, MAKEINTRESOURCEA(10), resourceName.c_str(),
                                    MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL), const_cast<char*>(data.data()),
                                    static_cast<DWORD>(data.size())));
    EXPECT_TRUE(EndUpdateResourceA(update, FALSE));
    return exe;
}

std::string CopyWithCabinet(const std::string& name, const std::string& cabinet)
{
    return TestCopy(name, {{"CABINET", ReadAll(Fixture(cabinet))}});
}

struct Finished {
    DWORD exitCode = STILL_ACTIVE;
    DWORD processId = 0;
};

PROCESS_INFORMATION Start(const std::string& exe, const std::string& arguments, const std::string& currentDir)
{
    std::string line = "\"" + exe + "\" " + arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    EXPECT_TRUE(CreateProcessA(exe.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr,
                               currentDir.empty() ? nullptr : currentDir.c_str(), &startup, &process))
        << GetLastError();
    return process;
}

Finished Wait(PROCESS_INFORMATION& process)
{
    Finished finished;
    finished.processId = process.dwProcessId;
    if (WaitForSingleObject(process.hProcess, kWaitMs) != WAIT_OBJECT_0) {
        ADD_FAILURE() << "the program did not end";
        TerminateProcess(process.hProcess, 1);
        WaitForSingleObject(process.hProcess, kWaitMs);
    }
    GetExitCodeProcess(process.hProcess, &finished.exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return finished;
}

Finished RunSetup(const std::string& exe, const std::string& arguments, const std::string& currentDir = "")
{
    PROCESS_INFORMATION process = Start(exe, arguments, currentDir);
    return Wait(process);
}

// Byte for byte, names and contents.
void ExpectSameTree(const std::string& expected, const std::string& actual)
{
    std::vector<std::string> names = List(expected);
    ASSERT_FALSE(names.empty());
    EXPECT_EQ(List(actual), names);
    for (const std::string& name : names) EXPECT_TRUE(ReadAll(expected + name) == ReadAll(actual + name)) << name;
}

bool ProductInstalled()
{
    HKEY key;
    std::string uninstall = std::string("Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\") + kProductCode;
    // The package is a 32-bit one.
    bool registered = RegOpenKeyExA(HKEY_LOCAL_MACHINE, uninstall.c_str(), 0, KEY_READ | KEY_WOW64_32KEY, &key) == 0;
    if (registered) RegCloseKey(key);
    return registered && MsiQueryProductStateA(kProductCode) == INSTALLSTATE_DEFAULT;
}

std::string InstalledFile()
{
    char dir[MAX_PATH] = {};
    if (!GetEnvironmentVariableA("ProgramFiles(x86)", dir, MAX_PATH))
        GetEnvironmentVariableA("ProgramFiles", dir, MAX_PATH);
    return std::string(dir) + "\\OrbileSetupTest\\readme.txt";
}

void Uninstall()
{
    MsiSetInternalUI(INSTALLUILEVEL_NONE, nullptr);
    EXPECT_EQ(MsiConfigureProductA(kProductCode, INSTALLLEVEL_DEFAULT, INSTALLSTATE_ABSENT), 0u);
    EXPECT_FALSE(ProductInstalled());
}

// No extraction directory is left in the temporary directory.
void ExpectNoExtractionLeft() { EXPECT_THAT(List(TempDir(), "IXP*.TMP"), ::testing::IsEmpty()); }

// ---- The parent's side of the pipes.

struct Message {
    UINT type = 0;
    bool hasText = false;
    std::string text;
};

// Holds the pipes and the event, starts the program with "/evt /pid /mon",
// answers each message it relays and records them.
class PipeParent {
public:
    using Answer = std::function<int(const Message&)>;

    PipeParent()
    {
        static int made;
        char name[64];
        std::snprintf(name, sizeof name, "\\\\.\\pipe\\orbile-setup-test-%lu-%d", GetCurrentProcessId(), ++made);
        // Message mode: each write of the program arrives as one message.
        server_ = CreateNamedPipeA(name, PIPE_ACCESS_INBOUND | FILE_FLAG_OVERLAPPED,
                                   PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT, 1, 0, 65536, 0, nullptr);
        messageEnd_ = CreateFileA(name, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        EXPECT_TRUE(CreatePipe(&replyEnd_, &replyWriter_, nullptr, 0));
        std::snprintf(eventName_, sizeof eventName_, "OrbileSetupTestReady%lu-%d", GetCurrentProcessId(), made);
        event_ = CreateEventA(nullptr, TRUE, FALSE, eventName_);
        readDone_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    }
    ~PipeParent()
    {
        for (HANDLE h : {server_, messageEnd_, replyEnd_, replyWriter_, event_, readDone_})
            if (h && h != INVALID_HANDLE_VALUE) CloseHandle(h);
    }

    std::string Switches() const
    {
        char text[200];
        std::snprintf(text, sizeof text, "/evt %s /pid %lu /mon %llu %llu", eventName_, GetCurrentProcessId(),
                      static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(replyEnd_)),
                      static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(messageEnd_)));
        return text;
    }

    Finished Run(const std::string& exe, const std::string& arguments, const Answer& answer)
    {
        PROCESS_INFORMATION process = Start(exe, Switches() + " " + arguments, "");
        for (;;) {
            OVERLAPPED overlapped = {};
            overlapped.hEvent = readDone_;
            ResetEvent(readDone_);
            static char buffer[65536];
            DWORD got = 0;
            if (!ReadFile(server_, buffer, sizeof buffer, &got, &overlapped) && GetLastError() != ERROR_IO_PENDING) {
                ADD_FAILURE() << "reading a message failed: " << GetLastError();
                break;
            }
            HANDLE waits[] = {readDone_, process.hProcess};
            DWORD which = WaitForMultipleObjects(2, waits, FALSE, kWaitMs);
            if (which != WAIT_OBJECT_0) {
                CancelIo(server_);
                GetOverlappedResult(server_, &overlapped, &got, TRUE);
                if (which == WAIT_TIMEOUT) ADD_FAILURE() << "no message and no end";
                break;
            }
            if (!GetOverlappedResult(server_, &overlapped, &got, FALSE)) {
                ADD_FAILURE() << "a message did not arrive whole: " << GetLastError();
                break;
            }
            messages_.push_back(Decode(buffer, got));
            int reply = answer(messages_.back());
            DWORD written = 0;
            EXPECT_TRUE(WriteFile(replyWriter_, &reply, sizeof reply, &written, nullptr));
        }
        eventWasSet_ = WaitForSingleObject(event_, 0) == WAIT_OBJECT_0;
        return Wait(process);
    }

    const std::vector<Message>& Messages() const { return messages_; }
    bool EventWasSet() const { return eventWasSet_; }

private:
    static Message Decode(const char* bytes, DWORD length)
    {
        Message message;
        EXPECT_GE(length, 4u);
        if (length < 4) return message;
        std::memcpy(&message.type, bytes, 4);
        if (length > 4) {
            // The text and exactly one NUL, its last byte.
            message.hasText = true;
            message.text.assign(bytes + 4, length - 5);
            EXPECT_EQ(bytes[length - 1], '\0');
            EXPECT_EQ(message.text.find('\0'), std::string::npos);
            EXPECT_FALSE(message.text.empty());
        }
        return message;
    }

    HANDLE server_ = nullptr, messageEnd_ = nullptr, replyEnd_ = nullptr, replyWriter_ = nullptr;
    HANDLE event_ = nullptr, readDone_ = nullptr;
    char eventName_[64];
    std::vector<Message> messages_;
    bool eventWasSet_ = false;
};

int CountOf(const std::string& text, const std::string& part)
{
    int count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

// ---- Tests.

// The ordinals the program imports are the installer library's ANSI calls.
TEST(SetupProgram, MsiOrdinalsNameTheCallsItMeans)
{
    HMODULE msi = LoadLibraryA("msi.dll");
    ASSERT_NE(msi, nullptr);
    struct {
        int ordinal;
        const char* name;
    } imports[] = {{87, "MsiInstallProductA"},
                   {112, "MsiQueryProductStateA"},
                   {136, "MsiSetExternalUIA"},
                   {141, "MsiSetInternalUI"}};
    for (const auto& import : imports) {
        FARPROC byName = GetProcAddress(msi, import.name);
        ASSERT_NE(byName, nullptr) << import.name;
        EXPECT_EQ(GetProcAddress(msi, MAKEINTRESOURCEA(import.ordinal)), byName) << import.name;
    }
    FreeLibrary(msi);
}

TEST(SetupProgram, CarriesItsElevationManifest)
{
    HMODULE image = LoadLibraryExA(Fixture("MurnelSetupAdmin.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(image, nullptr);
    HRSRC found = FindResourceA(image, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
    ASSERT_NE(found, nullptr);
    std::string manifest(static_cast<const char*>(LockResource(LoadResource(image, found))),
                         SizeofResource(image, found));
    EXPECT_THAT(manifest, HasSubstr("name=\"setuphelper\""));
    EXPECT_THAT(manifest, HasSubstr("level=\"requireAdministrator\""));
    // The packaging step adds these.
    EXPECT_EQ(FindResourceA(image, "CABINET", MAKEINTRESOURCEA(10)), nullptr);
    EXPECT_EQ(FindResourceA(image, "PRODUCTCODE", MAKEINTRESOURCEA(10)), nullptr);
    FreeLibrary(image);
}

TEST(SetupProgram, ExtractsWhatCabextractExtracts)
{
    std::string exe = CopyWithCabinet("extract", "sample.cab");
    std::string target = "C:\\setuptest\\extract\\out dir\\";
    MakeDirectories(target);
    // A longer file of the same name is replaced, not overwritten in part.
    std::ofstream(target + "notes.txt", std::ios::binary) << std::string(100000, 'x');
    Finished finished = RunSetup(exe, "/extract \"C:\\setuptest\\extract\\out dir\"");
    EXPECT_EQ(finished.exitCode, 0u);
    ExpectSameTree(Fixture("reference\\"), target);
    EXPECT_FALSE(Exists(LogPath(finished.processId)));

    // Without a directory: the current one; the files stay.
    std::string current = "C:\\setuptest\\extract\\current\\";
    MakeDirectories(current);
    finished = RunSetup(exe, "-EXTRACT", current);
    EXPECT_EQ(finished.exitCode, 0u);
    ExpectSameTree(Fixture("reference\\"), current);
    EXPECT_FALSE(ProductInstalled());
}

TEST(SetupProgram, FailedExtractionEndsWithAnErrorAndKeepsTheLog)
{
    struct Case {
        const char* name;
        std::map<std::string, std::string> resources;
        const char* reason;
    } cases[] = {
        {"no-cabinet", {}, "Unable to open '"},
        {"not-a-cabinet", {{"CABINET", ReadAll(Fixture("product.msi"))}}, "is not a cabinet"},
        {"cut-cabinet", {{"CABINET", ReadAll(Fixture("sample.cab")).substr(0, 2000)}}, "FDICopy() failed: code "},
    };
    for (const Case& c : cases) {
        std::string exe = TestCopy(c.name, c.resources);
        std::string target = std::string("C:\\setuptest\\") + c.name + "\\out\\";
        MakeDirectories(target);
        Finished finished = RunSetup(exe, "/extract " + target);
        EXPECT_EQ(finished.exitCode, static_cast<DWORD>(ERROR_INSTALL_FAILURE)) << c.name;
        std::string log = ReadAll(LogPath(finished.processId));
        EXPECT_THAT(log, HasSubstr(c.reason)) << c.name;
        EXPECT_THAT(log, HasSubstr("\nReturned: 1603\r\n")) << c.name;
        EXPECT_TRUE(List(target).empty()) << c.name;
    }
}

TEST(SetupProgram, HostileNamesExtractNothingOutsideTheDirectory)
{
    for (const char* name : {"parent", "slash-parent", "nested-parent", "dots", "drive-absolute", "drive-relative",
                             "rooted", "absolute", "overlong"}) {
        std::string exe =
            CopyWithCabinet(std::string("hostile-copy\\") + name, std::string("hostile-") + name + ".cab");
        // The layout the fixtures' names aim at.
        std::string outer = std::string("C:\\setuptest\\hostile\\") + name + "\\";
        std::string inner = outer + "inner\\";
        MakeDirectories(inner);
        Finished finished = RunSetup(exe, "/extract " + inner, outer);
        EXPECT_EQ(finished.exitCode, static_cast<DWORD>(ERROR_INSTALL_FAILURE)) << name;
        EXPECT_EQ(List(outer), std::vector<std::string>{"inner"}) << name;
        EXPECT_EQ(List(inner), std::vector<std::string>{"ok.txt"}) << name;
        EXPECT_FALSE(Exists("C:\\escape.txt")) << name;
        EXPECT_FALSE(Exists("C:\\setuptest\\escape.txt")) << name;
        std::string log = ReadAll(LogPath(finished.processId));
        EXPECT_THAT(log, HasSubstr("Refusing to extract '")) << name;
        EXPECT_THAT(log, HasSubstr("FDICopy() failed: code 11 [User aborted]")) << name;
        EXPECT_THAT(log, HasSubstr("\nReturned: 1603\r\n")) << name;
    }
}

TEST(SetupProgram, SecondInstanceEndsWith183AndLogsWhy)
{
    std::string exe = CopyWithCabinet("second", "sample.cab");
    // What the first instance holds while it extracts.
    HANDLE mutex = CreateMutexA(nullptr, TRUE, "MurnelSetupAdmin");
    ASSERT_NE(mutex, nullptr);
    SYSTEMTIME before;
    GetLocalTime(&before);
    Finished finished = RunSetup(exe, "/qn");
    CloseHandle(mutex);
    EXPECT_EQ(finished.exitCode, static_cast<DWORD>(ERROR_ALREADY_EXISTS));

    // "<temp><base name><pid in upper-case hex>.log"
    char name[64];
    std::snprintf(name, sizeof name, "MurnelSetupAdmin%lX.log", finished.processId);
    EXPECT_THAT(List(TempDir(), "MurnelSetupAdmin*.log"), ::testing::Contains(name));
    std::string log = ReadAll(TempDir() + name);
    std::smatch first;
    ASSERT_TRUE(std::regex_search(
        log, first, std::regex("^=== Logging started: (\\d{1,2})/(\\d{1,2})/(\\d{4}) [ \\d]\\d:\\d\\d:\\d\\d ===\r\n")))
        << log.substr(0, 80);
    EXPECT_EQ(std::stoi(first[1]), before.wMonth);
    EXPECT_EQ(std::stoi(first[3]), before.wYear);
    EXPECT_THAT(log, HasSubstr("Command Line: \"C:\\setuptest\\second\\MurnelSetupAdmin.exe\" /qn\r\n"));
    EXPECT_THAT(log, Not(HasSubstr("fdintCOPY_FILE")));
    ExpectNoExtractionLeft();
    EXPECT_FALSE(ProductInstalled());
}

TEST(SetupProgram, EndsWhenEveryExtractionDirectoryNameIsTaken)
{
    std::string exe = CopyWithCabinet("all-taken", "sample.cab");
    char name[16];
    for (int i = 0; i < 1000; ++i) {
        std::snprintf(name, sizeof name, "IXP%03d.TMP", i);
        ASSERT_TRUE(CreateDirectoryA((TempDir() + name).c_str(), nullptr));
    }
    Finished finished = RunSetup(exe, "/qn");
    for (int i = 0; i < 1000; ++i) {
        std::snprintf(name, sizeof name, "IXP%03d.TMP", i);
        EXPECT_TRUE(RemoveDirectoryA((TempDir() + name).c_str())) << name;  // each still empty
    }
    EXPECT_EQ(finished.exitCode, static_cast<DWORD>(ERROR_CANNOT_MAKE));
    EXPECT_THAT(ReadAll(LogPath(finished.processId)), HasSubstr("No extraction directory could be made in '"));
    EXPECT_FALSE(ProductInstalled());
}

TEST(SetupProgram, InstallsInProcessRelayingEveryMessageToTheParent)
{
    std::string exe = CopyWithCabinet("in-process", "sample.cab");
    PipeParent parent;
    Finished finished = parent.Run(exe, "", [](const Message&) { return IDOK; });
    EXPECT_EQ(finished.exitCode, 0u);
    EXPECT_TRUE(parent.EventWasSet());
    bool actionStart = false;
    for (const Message& message : parent.Messages())
        if ((message.type & ~0x377u) == kActionStart && message.hasText) actionStart = true;
    EXPECT_TRUE(actionStart) << parent.Messages().size() << " messages";
    EXPECT_TRUE(ProductInstalled());
    EXPECT_EQ(ReadAll(InstalledFile()), ReadAll(Fixture("readme.txt")));
    EXPECT_FALSE(Exists(LogPath(finished.processId)));
    ExpectNoExtractionLeft();
    Uninstall();
}

TEST(SetupProgram, TheParentsCancelReachesTheInstaller)
{
    std::string exe = CopyWithCabinet("cancel", "sample.cab");
    PipeParent parent;
    // The package's custom action is cancelled as it starts.
    int cancelled = 0;
    Finished finished = parent.Run(exe, "", [&](const Message& message) {
        bool customAction =
            (message.type & ~0x377u) == kActionStart && message.text.find("NoteSetup") != std::string::npos;
        cancelled += customAction;
        return customAction ? IDCANCEL : IDOK;
    });
    EXPECT_EQ(finished.exitCode, static_cast<DWORD>(ERROR_INSTALL_USEREXIT));
    EXPECT_EQ(cancelled, 1);
    EXPECT_FALSE(ProductInstalled());
    // A cancel leaves nothing to look at.
    EXPECT_FALSE(Exists(LogPath(finished.processId)));
    ExpectNoExtractionLeft();
}

TEST(SetupProgram, AFailingPackageReturnsTheInstallersCodeAndKeepsTheLog)
{
    MakeDirectories("C:\\setuptest\\failing\\");
    ASSERT_TRUE(CopyFileA(Fixture("bad.msi").c_str(), "C:\\setuptest\\failing\\bad.msi", FALSE));
    MsiSetInternalUI(INSTALLUILEVEL_NONE, nullptr);
    UINT expected = MsiInstallProductA("C:\\setuptest\\failing\\bad.msi", "");
    ASSERT_NE(expected, 0u);

    std::string exe = TestCopy("failing", {});
    PipeParent parent;
    Finished finished = parent.Run(exe, "/alt \"C:\\setuptest\\failing\\bad.msi\" REBOOT=ReallySuppress",
                                   [](const Message&) { return IDOK; });
    EXPECT_EQ(finished.exitCode, expected);
    std::string log = ReadAll(LogPath(finished.processId));
    EXPECT_THAT(log,
                HasSubstr("Calling MsiInstallProduct(\"C:\\setuptest\\failing\\bad.msi\", \"REBOOT=ReallySuppress\")"));
    EXPECT_THAT(log, HasSubstr("\nReturned: " + std::to_string(expected) + "\r\n"));
    // Every relayed message is in the log with the parent's answer.
    EXPECT_EQ(CountOf(log, "\nMessageType: "), static_cast<int>(parent.Messages().size()));
    EXPECT_EQ(CountOf(log, "Returning:   1L"), static_cast<int>(parent.Messages().size()));
}

TEST(SetupProgram, InstallsThroughMsiexecWithoutPipesAndDeletesReadOnlyExtractedFiles)
{
    std::string exe = CopyWithCabinet("msiexec", "readonly.cab");
    Finished finished = RunSetup(exe, "/qn");
    EXPECT_EQ(finished.exitCode, 0u);
    EXPECT_TRUE(ProductInstalled());
    EXPECT_EQ(ReadAll(InstalledFile()), ReadAll(Fixture("readme.txt")));
    EXPECT_FALSE(Exists(LogPath(finished.processId)));
    ExpectNoExtractionLeft();
    Uninstall();
}

TEST(SetupProgram, AnInstalledProductCodeResourceNamesThePackage)
{
    MakeDirectories("C:\\setuptest\\product-code\\");
    ASSERT_TRUE(CopyFileA(Fixture("product.msi").c_str(), "C:\\setuptest\\product-code\\product.msi", FALSE));
    std::string exe =
        TestCopy("product-code", {{"CABINET", ReadAll(Fixture("sample.cab"))}, {"PRODUCTCODE", kProductCode}});

    // Not installed: the cabinet's package is installed.
    PipeParent first;
    Finished finished = first.Run(exe, "", [](const Message&) { return IDOK; });
    EXPECT_EQ(finished.exitCode, 0u);
    ASSERT_TRUE(ProductInstalled());

    // Installed: the product code is the package, and nothing is extracted.
    // A command line the installer refuses keeps the log to look at.
    PipeParent second;
    finished = second.Run(exe, "NOT-A-PROPERTY", [](const Message&) { return IDOK; });
    EXPECT_NE(finished.exitCode, 0u);
    std::string log = ReadAll(LogPath(finished.processId));
    EXPECT_THAT(log, HasSubstr(std::string("Calling MsiInstallProduct(\"") + kProductCode + "\", \"NOT-A-PROPERTY\")"));
    EXPECT_THAT(log, Not(HasSubstr("fdintCOPY_FILE")));
    ExpectNoExtractionLeft();
    Uninstall();
}

}  // namespace
