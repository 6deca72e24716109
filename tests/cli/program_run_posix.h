// SPDX-License-Identifier: MIT
// RunProgram on POSIX systems: fork and exec, standard input /dev/null or a pseudo-terminal,
// standard output and error collected in files.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "program_run_common.h"
#include "temp_dir.h"

namespace quillon::testing {

// Runs quillon-convert in the folder `cwd` with the arguments and collects what it prints.
inline ProgramRun RunProgram(const std::string& cwd, const std::vector<std::string>& args,
                             Input input = Input::kNull, const std::string& answer = "") {
    TempDir streams;
    const std::string outPath = streams / "out";
    const std::string errPath = streams / "err";

    int master = -1;
    std::string terminal = "/dev/null";
    if (input == Input::kTerminal) {
        master = ::posix_openpt(O_RDWR | O_NOCTTY);
        EXPECT_GE(master, 0);
        EXPECT_EQ(::grantpt(master), 0);
        EXPECT_EQ(::unlockpt(master), 0);
        terminal = ::ptsname(master);
        // Typed ahead: the terminal holds the line until the program reads it.
        EXPECT_EQ(::write(master, answer.data(), answer.size()),
                  static_cast<ssize_t>(answer.size()));
    }

    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(kProgram.c_str()));
    for (const std::string& arg : args) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);

    const pid_t pid = ::fork();
    if (pid == 0) {
        const int in = ::open(terminal.c_str(), O_RDWR);
        const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (in < 0 || out < 0 || err < 0 || ::chdir(cwd.c_str()) != 0) {
            ::_exit(126);
        }
        ::dup2(in, STDIN_FILENO);
        ::dup2(out, STDOUT_FILENO);
        ::dup2(err, STDERR_FILENO);
        ::execv(kProgram.c_str(), argv.data());
        ::_exit(127);
    }
    ProgramRun run;
    int status = 0;
    EXPECT_EQ(::waitpid(pid, &status, 0), pid);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = ReadBytes(outPath);
    run.err = ReadBytes(errPath);
    run.rawOut = run.out;
    if (master >= 0) {
        ::close(master);
    }
    return run;
}

// A run of quillon-convert in `cwd` with no input and its output going nowhere, to be killed.
class StartedProgram {
  public:
    // With `errPath`, what the program prints to standard error goes to that file.
    StartedProgram(const std::string& cwd, const std::vector<std::string>& args,
                   const std::string& errPath = "/dev/null") {
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(kProgram.c_str()));
        for (const std::string& arg : args) {
            argv.push_back(const_cast<char*>(arg.c_str()));
        }
        argv.push_back(nullptr);
        m_nPid = ::fork();
        if (m_nPid == 0) {
            const int null = ::open("/dev/null", O_RDWR);
            const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (null < 0 || err < 0 || ::chdir(cwd.c_str()) != 0) {
                ::_exit(126);
            }
            ::dup2(null, STDIN_FILENO);
            ::dup2(null, STDOUT_FILENO);
            ::dup2(err, STDERR_FILENO);
            ::execv(kProgram.c_str(), argv.data());
            ::_exit(127);
        }
    }
    StartedProgram(const StartedProgram&) = delete;
    StartedProgram& operator=(const StartedProgram&) = delete;
    ~StartedProgram() { Kill(); }

    bool Started() const { return m_nPid > 0; }
    // Ends the program at once, wherever it is, and waits until it is gone.
    void Kill() {
        if (m_nPid > 0) {
            ::kill(m_nPid, SIGKILL);
            int status = 0;
            ::waitpid(m_nPid, &status, 0);
            m_nPid = -1;
        }
    }

    // Asks the program to stop as Ctrl+C does, and returns its exit status once it has; a
    // program still running a minute later is killed, and -1 returned with a test failure.
    int Interrupt() {
        int status = 0;
        ::kill(m_nPid, SIGINT);
        for (int waited = 0; ::waitpid(m_nPid, &status, WNOHANG) == 0; ++waited) {
            if (waited == 6000) {
                ADD_FAILURE() << kProgram << " did not end within a minute of Ctrl+C; killed";
                Kill();
                return -1;
            }
            ::usleep(10000);
        }
        m_nPid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    // Stops the program from running (true) or lets it go on (false).
    void Pause(bool paused) { ::kill(m_nPid, paused ? SIGSTOP : SIGCONT); }

  private:
    pid_t m_nPid = -1;
};

}  // namespace quillon::testing
