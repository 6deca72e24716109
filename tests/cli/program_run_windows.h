// SPDX-License-Identifier: MIT
// RunProgram on Windows: CreateProcessW with a command line quoted as the C runtime splits it,
// standard input the NUL device or a console holding the typed answer, standard output and
// error collected in files.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "platform/windows_system.h"
#include "program_run_common.h"
#include "temp_dir.h"

namespace quillon::testing {

// One argument as the C runtime's command-line splitting gives it back: quoted when it is empty
// or holds blanks or quotes, quotes escaped, and backslashes doubled where they precede a quote.
inline std::wstring QuoteArgument(const std::wstring& argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos) {
        return argument;
    }
    std::wstring quoted = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        if (c == L'"') {
            quoted.append(backslashes * 2 + 1, L'\\');
        } else {
            quoted.append(backslashes, L'\\');
        }
        backslashes = 0;
        quoted.push_back(c);
    }
    quoted.append(backslashes * 2, L'\\');
    quoted.push_back(L'"');
    return quoted;
}

// The console's input buffer with `answer` typed into it, as an inheritable handle. The test
// program gets a console of its own once, so that nothing else reads what is typed there.
inline HANDLE ConsoleInputWithTypedAnswer(const std::string& answer) {
    static const bool kHasOwnConsole = [] {
        ::FreeConsole();
        return ::AllocConsole() != 0;
    }();
    EXPECT_TRUE(kHasOwnConsole);
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE input =
        ::CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                      &inherit, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(input, INVALID_HANDLE_VALUE);
    ::FlushConsoleInputBuffer(input);
    std::vector<INPUT_RECORD> keys;
    for (const wchar_t c : ToWide(answer)) {
        // A typed line ends with the Enter key.
        const wchar_t key = c == L'\n' ? L'\r' : c;
        for (const BOOL down : {TRUE, FALSE}) {
            INPUT_RECORD record{};
            record.EventType = KEY_EVENT;
            record.Event.KeyEvent.bKeyDown = down;
            record.Event.KeyEvent.wRepeatCount = 1;
            record.Event.KeyEvent.wVirtualKeyCode = key == L'\r' ? VK_RETURN : 0;
            record.Event.KeyEvent.uChar.UnicodeChar = key;
            keys.push_back(record);
        }
    }
    DWORD written = 0;
    EXPECT_TRUE(
        ::WriteConsoleInputW(input, keys.data(), static_cast<DWORD>(keys.size()), &written));
    EXPECT_EQ(written, keys.size());
    return input;
}

// What the console streams printed, with their CR LF line ends as line feeds.
inline std::string WithLineFeeds(const std::string& printed) {
    std::string text;
    text.reserve(printed.size());
    for (std::size_t i = 0; i < printed.size(); ++i) {
        if (!(printed[i] == '\r' && i + 1 < printed.size() && printed[i + 1] == '\n')) {
            text.push_back(printed[i]);
        }
    }
    return text;
}

// Runs quillon-convert in the folder `cwd` with the arguments and collects what it prints.
// Starts quillon-convert in `cwd` with `args` and the three standard handles (inheritable);
// returns the process's handle, or nullptr with a test failure when it cannot be started.
inline HANDLE StartProcess(const std::string& cwd, const std::vector<std::string>& args, HANDLE in,
                           HANDLE out, HANDLE err) {
    std::wstring commandLine = QuoteArgument(ToWide(kProgram));
    for (const std::string& arg : args) {
        commandLine += L" " + QuoteArgument(ToWide(arg));
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = in;
    startup.hStdOutput = out;
    startup.hStdError = err;
    PROCESS_INFORMATION process{};
    const std::wstring folder = WidePath(cwd);
    if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                          folder.c_str(), &startup, &process)) {
        ADD_FAILURE() << "cannot start " << kProgram << ": "
                      << WindowsErrorReason(::GetLastError());
        return nullptr;
    }
    ::CloseHandle(process.hThread);
    return process.hProcess;
}

inline ProgramRun RunProgram(const std::string& cwd, const std::vector<std::string>& args,
                             Input input = Input::kNull, const std::string& answer = "") {
    TempDir streams;
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    auto create = [&](const std::string& path) {
        return ::CreateFileW(WidePath(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                             CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    };
    HANDLE out = create(streams / "out");
    HANDLE err = create(streams / "err");
    HANDLE in = input == Input::kTerminal
                    ? ConsoleInputWithTypedAnswer(answer)
                    : ::CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    &inherit, OPEN_EXISTING, 0, nullptr);

    ProgramRun run;
    if (HANDLE process = StartProcess(cwd, args, in, out, err)) {
        ::WaitForSingleObject(process, INFINITE);
        DWORD code = 0;
        ::GetExitCodeProcess(process, &code);
        run.status = static_cast<int>(code);
        ::CloseHandle(process);
    }
    for (HANDLE handle : {in, out, err}) {
        ::CloseHandle(handle);
    }
    run.rawOut = ReadBytes(streams / "out");
    run.out = WithLineFeeds(run.rawOut);
    run.err = WithLineFeeds(ReadBytes(streams / "err"));
    return run;
}

// A run of quillon-convert in `cwd` with no input and its output going nowhere, to be killed.
class StartedProgram {
  public:
    StartedProgram(const std::string& cwd, const std::vector<std::string>& args) {
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        HANDLE null =
            ::CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                          &inherit, OPEN_EXISTING, 0, nullptr);
        m_hProcess = StartProcess(cwd, args, null, null, null);
        ::CloseHandle(null);
    }
    StartedProgram(const StartedProgram&) = delete;
    StartedProgram& operator=(const StartedProgram&) = delete;
    ~StartedProgram() { Kill(); }

    bool Started() const { return m_hProcess != nullptr; }
    // Ends the program at once, wherever it is, and waits until it is gone.
    void Kill() {
        if (m_hProcess != nullptr) {
            ::TerminateProcess(m_hProcess, 137);
            ::WaitForSingleObject(m_hProcess, INFINITE);
            ::CloseHandle(m_hProcess);
            m_hProcess = nullptr;
        }
    }

  private:
    HANDLE m_hProcess = nullptr;
};

}  // namespace quillon::testing
