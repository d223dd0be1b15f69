// SPDX-License-Identifier: LGPL-3.0-or-later
// quillsift-dump whose standard output cannot be written: a pipe nobody reads and a full disk.
// The run must end with a message and exit code 1: no SIGPIPE death, no silent truncation.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

enum class Output { ClosedPipe, FullDisk };

struct Outcome {
    int Status = -1;
    std::string Errors;
};

// Runs the tool with the default action for SIGPIPE, as a shell would.
Outcome RunTool(Output output, std::vector<std::string> arguments) {
    Outcome outcome;
    int descriptor = -1;
    if (output == Output::ClosedPipe) {
        int ends[2];
        if (::pipe(ends) != 0) {
            ADD_FAILURE() << "pipe";
            return outcome;
        }
        ::close(ends[0]);
        descriptor = ends[1];
    } else {
        descriptor = ::open("/dev/full", O_WRONLY);
    }
    char errorsPath[] = "/tmp/quillsift-dump-errors.XXXXXX";
    const int errors = ::mkstemp(errorsPath);
    if (descriptor < 0 || errors < 0) {
        ADD_FAILURE() << "no output or error file";
        return outcome;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, descriptor, STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, errors, STDERR_FILENO);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);

    arguments.insert(arguments.begin(), QUILLSIFT_DUMP_TOOL);
    std::vector<char*> argv;
    for (std::string& argument : arguments) {
        argv.push_back(&argument[0]);
    }
    argv.push_back(nullptr);
    pid_t child = 0;
    const int spawned =
        posix_spawn(&child, QUILLSIFT_DUMP_TOOL, &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    ::close(descriptor);
    ::close(errors);
    if (spawned == 0) {
        ::waitpid(child, &outcome.Status, 0);
    } else {
        ADD_FAILURE() << "posix_spawn: " << spawned;
    }
    std::ifstream file(errorsPath);
    std::stringstream text;
    text << file.rdbuf();
    outcome.Errors = text.str();
    ::unlink(errorsPath);
    return outcome;
}

struct WriteErrorCase {
    const char* Name;
    std::vector<std::string> Arguments;
};

// For gtest's messages: the name and the command, the test books' folder by its name in the
// repository rather than its path on this machine.
void PrintTo(const WriteErrorCase& row, std::ostream* os) {
    const std::string testdata = QUILLSIFT_TESTDATA;
    *os << row.Name << ": quillsift-dump";
    for (const std::string& argument : row.Arguments) {
        *os << ' '
            << (argument.rfind(testdata, 0) == 0 ? "testdata" + argument.substr(testdata.size())
                                                 : argument);
    }
}

class DumpWriteError : public ::testing::TestWithParam<WriteErrorCase> {};

TEST_P(DumpWriteError, EndsTheRunWithAMessageAndExitCode1) {
    for (const Output output : {Output::ClosedPipe, Output::FullDisk}) {
        const char* expected = output == Output::ClosedPipe
                                   ? "quillsift-dump: cannot write the output: Broken pipe\n"
                                   : "quillsift-dump: cannot write the output: No space left on "
                                     "device\n";
        const Outcome outcome = RunTool(output, GetParam().Arguments);
        ASSERT_TRUE(WIFEXITED(outcome.Status))
            << GetParam().Name << ": ended by signal " << WTERMSIG(outcome.Status);
        EXPECT_EQ(WEXITSTATUS(outcome.Status), 1) << GetParam().Name << "\n" << outcome.Errors;
        EXPECT_NE(outcome.Errors.find(expected), std::string::npos) << GetParam().Name << ":\n"
                                                                    << outcome.Errors;
        EXPECT_EQ(outcome.Errors.find("DllCanUnloadNow"), std::string::npos) << outcome.Errors;
    }
}

const std::string Testdata = QUILLSIFT_TESTDATA;

INSTANTIATE_TEST_SUITE_P(
    Outputs, DumpWriteError,
    ::testing::Values(
        WriteErrorCase{"SmallBook", {"--json", Testdata + "/harbor-kf7.mobi"}},
        WriteErrorCase{"ReadableText", {"-q", Testdata + "/harbor-kf8.azw3"}},
        WriteErrorCase{"LargeBookInPortionsOfOne",
                       {"--json", "--buffer", "1", Testdata + "/ledger-large-kf7.mobi"}},
        WriteErrorCase{"FolderWithFourWorkers", {"--json", "--jobs", "4", Testdata}},
        WriteErrorCase{"HtmlOfALargeBook", {"--html", Testdata + "/ledger-large-kf8.azw3"}},
        WriteErrorCase{"TheHelp", {"--help"}}),
    [](const ::testing::TestParamInfo<WriteErrorCase>& info) { return info.param.Name; });

} // namespace
