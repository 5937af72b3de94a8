// The command line: splitting, the installer's switches and the line handed
// on to the installer.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ArgumentVector.h"
#include "InstallCommandLine.h"
#include "SetupOptions.h"

namespace setup {
namespace {

std::vector<std::string> Split(const char* line)
{
    ArgumentVector arguments;
    EXPECT_TRUE(arguments.Split(line, "C:\\setup\\MurnelSetupAdmin.exe"));
    std::vector<std::string> out;
    for (size_t i = 0; i < arguments.Count(); ++i) out.push_back(arguments[i]);
    return out;
}

TEST(ArgumentVector, SplitsAtBlanksOutsideQuotesAndKeepsTheQuotes)
{
    struct Case {
        const char* line;
        std::vector<std::string> expected;
    } cases[] = {
        {"setup.exe", {}},
        {"", {}},
        {"\"C:\\a b\\setup.exe\"  /qn\t-x", {"/qn", "-x"}},
        {"setup /alt \"C:\\my dir\\p.msi\" TARGETDIR=\"C:\\x y\" z",
         {"/alt", "\"C:\\my dir\\p.msi\"", "TARGETDIR=\"C:\\x y\"", "z"}},
        // An argument that begins with a quote ends after its closing quote.
        {"setup \"a b\"c d", {"\"a b\"", "c", "d"}},
        {"setup \"unterminated run", {"\"unterminated run"}},
        {"setup a\"b c\"d e", {"a\"b c\"d", "e"}},
        {"setup \"\"", {"\"\""}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> expected = {"C:\\setup\\MurnelSetupAdmin.exe"};
        expected.insert(expected.end(), c.expected.begin(), c.expected.end());
        EXPECT_EQ(Split(c.line), expected) << c.line;
    }
}

TEST(ArgumentVector, HoldsALineOfOneCharacterArguments)
{
    std::string line = "s";
    for (int i = 0; i < 5000; ++i) line += " x";
    line += " \"y\"z";
    std::vector<std::string> arguments = Split(line.c_str());
    ASSERT_EQ(arguments.size(), 5003u);
    EXPECT_EQ(arguments[5001], "\"y\"");
    EXPECT_EQ(arguments[5002], "z");
}

struct Parsed {
    SetupOptions options;
    std::string rest;  // what is handed on, one space apart
};

Parsed Parse(const char* line)
{
    ArgumentVector arguments;
    EXPECT_TRUE(arguments.Split(line, "C:\\setup\\MurnelSetupAdmin.exe"));
    Parsed parsed{ParseSwitches(arguments), {}};
    char commandLine[kCommandLineChars];
    EXPECT_TRUE(BuildInstallCommandLine(commandLine, nullptr, "unused", arguments));
    parsed.rest = commandLine;
    return parsed;
}

TEST(SetupOptions, ExtractTakesItsDirectoryAndStopsParsing)
{
    struct Case {
        const char* line;
        const char* targetDir;
        const char* rest;
    } cases[] = {
        {"s /extract", ".\\", ""},
        {"s -EXTRACT \"C:\\out dir\"", "C:\\out dir\\", ""},
        {"s /Extract C:\\out\\ /alt x.msi", "C:\\out\\", "/alt x.msi"},
        {"s /qn /extract \"\"", ".\\", "/qn"},
    };
    for (const Case& c : cases) {
        Parsed parsed = Parse(c.line);
        EXPECT_TRUE(parsed.options.extractOnly) << c.line;
        EXPECT_STREQ(parsed.options.targetDir, c.targetDir) << c.line;
        EXPECT_EQ(parsed.rest, c.rest) << c.line;
        EXPECT_FALSE(parsed.options.package[0]) << c.line;
    }
}

TEST(SetupOptions, MonTakesTheParentAndEventNamedBeforeIt)
{
    Parsed parsed = Parse("s /evt \"Ready Event\" /pid 1234 /mon 40 44 /alt \"C:\\p q.msi\" REBOOT=R /qn");
    const ParentRequest& parent = parsed.options.parent;
    ASSERT_TRUE(parent.requested);
    EXPECT_EQ(parent.parentId, 1234u);
    EXPECT_STREQ(parent.eventName, "Ready Event");
    EXPECT_EQ(parent.replyHandle, 40u);
    EXPECT_EQ(parent.messageHandle, 44u);
    EXPECT_STREQ(parsed.options.package, "C:\\p q.msi");
    EXPECT_FALSE(parsed.options.extractOnly);
    EXPECT_EQ(parsed.rest, "REBOOT=R /qn");

    // After "mon" they come too late.
    parsed = Parse("s /mon 40 44 /pid 1234 /evt E");
    EXPECT_TRUE(parsed.options.parent.requested);
    EXPECT_EQ(parsed.options.parent.parentId, 0u);
    EXPECT_STREQ(parsed.options.parent.eventName, "");
}

TEST(SetupOptions, SwitchesWithoutTheirValuesAreIgnored)
{
    Parsed parsed = Parse("s /qn /mon 40");
    EXPECT_FALSE(parsed.options.parent.requested);
    EXPECT_EQ(parsed.rest, "/qn 40");
    parsed = Parse("s /alt");
    EXPECT_FALSE(parsed.options.package[0]);
    EXPECT_EQ(parsed.rest, "");
    // Values are simply the arguments that follow.
    parsed = Parse("s /pid /mon 1 2");
    EXPECT_FALSE(parsed.options.parent.requested);
    EXPECT_EQ(parsed.rest, "1 2");
}

TEST(SetupOptions, ValuesTooLongForTheirBuffersAreRefusedWhole)
{
    std::string longPath(kPathChars, 'p');
    for (const std::string& line :
         {"s /alt " + longPath, "s /extract " + longPath, "s /extract " + longPath.substr(0, kPathChars - 1)}) {
        Parsed parsed = Parse(line.c_str());
        ASSERT_NE(parsed.options.overlong, nullptr) << line.size();
        EXPECT_FALSE(parsed.options.package[0]);
        EXPECT_FALSE(parsed.options.targetDir[0]);
    }
    std::string fits(kPathChars - 2, 'd');
    Parsed parsed = Parse(("s /extract " + fits).c_str());
    EXPECT_EQ(parsed.options.overlong, nullptr);
    EXPECT_EQ(std::string(parsed.options.targetDir), fits + "\\");
}

TEST(InstallCommandLine, MsiexecLineQuotesProgramAndPackage)
{
    ArgumentVector arguments;
    ASSERT_TRUE(arguments.Split("s /qn /alt p.msi A=\"1 2\"", "C:\\s.exe"));
    ParseSwitches(arguments);
    char line[kCommandLineChars];
    ASSERT_TRUE(BuildInstallCommandLine(line, "C:\\windows\\system32\\msiexec.exe", "C:\\t\\p.msi", arguments));
    EXPECT_STREQ(line, "\"C:\\windows\\system32\\msiexec.exe\" /i \"C:\\t\\p.msi\" /qn A=\"1 2\"");
}

TEST(InstallCommandLine, RefusesWhatDoesNotFit)
{
    std::string argument(kCommandLineChars / 2, 'a');
    std::string line = "s " + argument + " " + argument.substr(0, kCommandLineChars / 2 - 2);
    ArgumentVector arguments;
    ASSERT_TRUE(arguments.Split(line.c_str(), "C:\\s.exe"));
    char out[kCommandLineChars];
    EXPECT_TRUE(BuildInstallCommandLine(out, nullptr, "p", arguments));  // 1999 characters
    EXPECT_EQ(std::string(out).size(), kCommandLineChars - 1);
    line += "b";
    ArgumentVector longer;
    ASSERT_TRUE(longer.Split(line.c_str(), "C:\\s.exe"));
    EXPECT_FALSE(BuildInstallCommandLine(out, nullptr, "p", longer));
    EXPECT_FALSE(BuildInstallCommandLine(out, "C:\\msiexec.exe", "p", arguments));
}

}  // namespace
}  // namespace setup
