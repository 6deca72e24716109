// SPDX-License-Identifier: MIT
// Arguments, the interactive test and the console code page: POSIX and Windows.
#include "platform/console.h"

#ifdef _WIN32
#include <windows.h>
// windows.h first: shellapi.h needs its types.
#include <shellapi.h>

#include <algorithm>
#include <utility>

#include "platform/utf16.h"
#include "platform/windows_system.h"
#else
#include <unistd.h>
#endif

namespace quillon {

bool HasWildcard(std::u16string_view text) {
    return text.find_first_of(u"*?") != std::u16string_view::npos;
}

bool MatchesWildcard(std::u16string_view pattern, std::u16string_view name) {
    // Greedy matching with one point to come back to: the last '*' seen and where in the name
    // its run would end next. Linear in practice, never exponential.
    std::size_t p = 0;
    std::size_t n = 0;
    std::size_t star = std::u16string_view::npos;
    std::size_t resume = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == u'?' || pattern[p] == name[n])) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == u'*') {
            star = p++;
            resume = n;
        } else if (star != std::u16string_view::npos) {
            p = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == u'*') {
        ++p;
    }
    return p == pattern.size();
}

#ifdef _WIN32

namespace {

std::wstring Folded(std::wstring text) {
    if (!text.empty()) {
        ::CharUpperBuffW(text.data(), static_cast<DWORD>(text.size()));
    }
    return text;
}

std::u16string AsU16(const std::wstring& text) {
    return std::u16string(text.begin(), text.end());
}

// The names an argument with wildcards stands for, in the order Windows lists folders (by
// name, case ignored), or nothing when it matches none.
std::vector<std::string> ExpandWildcards(const std::wstring& argument) {
    const std::size_t cut = argument.find_last_of(L"\\/:");
    const std::wstring folder = cut == std::wstring::npos ? L"" : argument.substr(0, cut + 1);
    const std::wstring pattern = cut == std::wstring::npos ? argument : argument.substr(cut + 1);
    if (!HasWildcard(AsU16(pattern)) || HasWildcard(AsU16(folder))) {
        return {};
    }
    const std::u16string foldedPattern = AsU16(Folded(pattern));
    std::vector<std::pair<std::wstring, std::wstring>> matches;  // folded name, name
    WIN32_FIND_DATAW entry{};
    const std::wstring listing = WidePath(FromWide(folder + L"*"));
    HANDLE find = ::FindFirstFileExW(listing.c_str(), FindExInfoBasic, &entry,
                                     FindExSearchNameMatch, nullptr, 0);
    if (find == INVALID_HANDLE_VALUE) {
        return {};
    }
    do {
        const std::wstring name = entry.cFileName;
        if (name == L"." || name == L"..") {
            continue;
        }
        std::wstring folded = Folded(name);
        if (MatchesWildcard(foldedPattern, AsU16(folded))) {
            matches.emplace_back(std::move(folded), name);
        }
    } while (::FindNextFileW(find, &entry));
    ::FindClose(find);
    std::sort(matches.begin(), matches.end());
    std::vector<std::string> paths;
    paths.reserve(matches.size());
    for (const auto& match : matches) {
        paths.push_back(FromWide(folder + match.second));
    }
    return paths;
}

}  // namespace

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
    int count = 0;
    LPWSTR* wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (wide == nullptr) {
        return std::vector<std::string>(argv, argv + argc);
    }
    std::vector<std::string> arguments;
    for (int i = 0; i < count; ++i) {
        const std::wstring argument = wide[i];
        // Options are never file names, and neither is the program's own name.
        if (i > 0 && !argument.starts_with(L"-") && HasWildcard(AsU16(argument))) {
            std::vector<std::string> names = ExpandWildcards(argument);
            if (!names.empty()) {
                arguments.insert(arguments.end(), names.begin(), names.end());
                continue;
            }
        }
        arguments.push_back(FromWide(argument));
    }
    ::LocalFree(wide);
    return arguments;
}

bool StdinIsInteractive() {
    DWORD mode = 0;
    return ::GetConsoleMode(::GetStdHandle(STD_INPUT_HANDLE), &mode) != 0;
}

void UseUtf8Console() {
    ::SetConsoleOutputCP(CP_UTF8);
    ::SetConsoleCP(CP_UTF8);
}

#else

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
    return std::vector<std::string>(argv, argv + argc);
}

bool StdinIsInteractive() {
    return ::isatty(STDIN_FILENO) == 1;
}

void UseUtf8Console() {}

#endif

}  // namespace quillon
