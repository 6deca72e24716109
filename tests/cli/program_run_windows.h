// SPDX-License-Identifier: MIT
// RunProgram on Windows: CreateProcessW with a command line quoted as the C runtime splits it,
// standard input the NUL device or a console holding the typed answer, standard output and
// error collected in files.
#pragma once

#include <windows.h>
// After windows.h, which it needs.
#include <tlhelp32.h>

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

// Whether the test program is attached to a console of its own (made by OwnConsole).
inline bool g_HasOwnConsole = false;

// Gives the test program a console of its own, once, so that nothing else reads what is typed
// there; true when it has one.
inline bool OwnConsole() {
    if (!g_HasOwnConsole) {
        ::FreeConsole();
        g_HasOwnConsole = ::AllocConsole() != 0;
    }
    return g_HasOwnConsole;
}

// The console's input buffer with `answer` typed into it, as an inheritable handle.
inline HANDLE ConsoleInputWithTypedAnswer(const std::string& answer) {
    EXPECT_TRUE(OwnConsole());
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

// Starts quillon-convert in `cwd` with `args` and the three standard handles (inheritable);
// returns the process's handle, or nullptr with a test failure when it cannot be started.
// With `ownConsole` the program gets a console of its own, hidden, as when it is started from
// Explorer or a shortcut: Ctrl+C can then be typed into that console alone.
inline HANDLE StartProcess(const std::string& cwd, const std::vector<std::string>& args, HANDLE in,
                           HANDLE out, HANDLE err, bool ownConsole = false,
                           DWORD* processId = nullptr) {
    std::wstring commandLine = QuoteArgument(ToWide(kProgram));
    for (const std::string& arg : args) {
        commandLine += L" " + QuoteArgument(ToWide(arg));
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES | (ownConsole ? STARTF_USESHOWWINDOW : 0);
    startup.wShowWindow = SW_HIDE;
    startup.hStdInput = in;
    startup.hStdOutput = out;
    startup.hStdError = err;
    PROCESS_INFORMATION process{};
    const std::wstring folder = WidePath(cwd);
    // Wine now and then fails to set up the new console of a program (ERROR_INTERNAL_ERROR
    // while its console host starts, on a busy machine); a second try gets one.
    bool started = false;
    DWORD error = 0;
    for (int attempt = 0; attempt < 3 && !started; ++attempt) {
        if (attempt > 0) {
            ::Sleep(500);
        }
        started = ::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE,
                                   ownConsole ? CREATE_NEW_CONSOLE : 0, nullptr, folder.c_str(),
                                   &startup, &process) != FALSE;
        error = started ? 0 : ::GetLastError();
        if (error != ERROR_INTERNAL_ERROR) {
            break;
        }
    }
    if (!started) {
        ADD_FAILURE() << "cannot start " << kProgram << ": " << WindowsErrorReason(error);
        return nullptr;
    }
    ::CloseHandle(process.hThread);
    if (processId != nullptr) {
        *processId = process.dwProcessId;
    }
    return process.hProcess;
}

// Runs quillon-convert in the folder `cwd` with the arguments and collects what it prints.

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

// A run of quillon-convert in `cwd` in a console of its own, with no input and its output going
// nowhere, to be stopped with Ctrl+C or killed.
class StartedProgram {
  public:
    // With `errPath`, what the program prints to standard error goes to that file.
    StartedProgram(const std::string& cwd, const std::vector<std::string>& args,
                   const std::string& errPath = "NUL") {
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        HANDLE null =
            ::CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                          &inherit, OPEN_EXISTING, 0, nullptr);
        HANDLE err = ::CreateFileW(WidePath(errPath).c_str(), GENERIC_WRITE,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &inherit,
                                   CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        EXPECT_NE(err, INVALID_HANDLE_VALUE) << errPath;
        // A program inherits whether Ctrl+C is ignored (as in a process group started on its
        // own): this one must see it.
        ::SetConsoleCtrlHandler(nullptr, FALSE);
        m_hProcess = StartProcess(cwd, args, null, null, err, true, &m_nProcessId);
        ::CloseHandle(null);
        ::CloseHandle(err);
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

    // Types Ctrl+C into the program's console, and returns its exit status once it has ended;
    // a program still running a minute later is killed, and -1 returned with a test failure.
    // The test program joins that console for the moment, and lets its own Ctrl+C pass.
    int Interrupt() {
        static const bool kIgnoresCtrlC = ::SetConsoleCtrlHandler(
            [](DWORD control) -> BOOL { return control == CTRL_C_EVENT ? TRUE : FALSE; }, TRUE);
        EXPECT_TRUE(kIgnoresCtrlC);
        ::FreeConsole();
        g_HasOwnConsole = false;
        if (!::AttachConsole(m_nProcessId)) {
            ADD_FAILURE() << "cannot join the console of " << kProgram << ": "
                          << WindowsErrorReason(::GetLastError());
        } else {
            EXPECT_TRUE(::GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0))
                << WindowsErrorReason(::GetLastError());
            ::FreeConsole();
        }
        if (::WaitForSingleObject(m_hProcess, 60000) != WAIT_OBJECT_0) {
            ADD_FAILURE() << kProgram << " did not end within a minute of Ctrl+C; killed";
            Kill();
            return -1;
        }
        DWORD code = 0;
        ::GetExitCodeProcess(m_hProcess, &code);
        ::CloseHandle(m_hProcess);
        m_hProcess = nullptr;
        return static_cast<int>(code);
    }

    // Stops the program from running (true) or lets it go on (false): every thread of it is
    // suspended or resumed.
    void Pause(bool paused) {
        HANDLE threads = ::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
        ASSERT_NE(threads, INVALID_HANDLE_VALUE) << WindowsErrorReason(::GetLastError());
        THREADENTRY32 entry{};
        entry.dwSize = sizeof entry;
        std::size_t changed = 0;
        for (BOOL more = ::Thread32First(threads, &entry); more;
             more = ::Thread32Next(threads, &entry)) {
            if (entry.th32OwnerProcessID != m_nProcessId) {
                continue;
            }
            if (HANDLE thread = ::OpenThread(THREAD_SUSPEND_RESUME, FALSE, entry.th32ThreadID)) {
                const DWORD count = paused ? ::SuspendThread(thread) : ::ResumeThread(thread);
                changed += count != static_cast<DWORD>(-1) ? 1u : 0u;
                ::CloseHandle(thread);
            }
        }
        ::CloseHandle(threads);
        EXPECT_GT(changed, 0u) << "no thread of " << kProgram << " was "
                               << (paused ? "suspended" : "resumed");
    }

  private:
    HANDLE m_hProcess = nullptr;
    DWORD m_nProcessId = 0;
};

}  // namespace quillon::testing
