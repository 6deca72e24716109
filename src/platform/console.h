// SPDX-License-Identifier: MIT
// The command line and the console of QUILLON's command-line programs, alike on every system:
// arguments as UTF-8 with wildcards expanded where the shell leaves that to the program, the
// test whether a person sits at standard input, and UTF-8 output on the console.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quillon {

// The program's arguments as UTF-8, the program's own name first. On Windows they are taken
// from the UTF-16 command line (argv holds them in the ANSI code page, which cannot spell every
// file name) and an argument with '*' or '?' in its last part that is no option is replaced by
// the names it matches, as cmd.exe leaves that to the program; one that matches nothing stays
// as it is. Elsewhere the shell has done all this and argv is taken as it is.
std::vector<std::string> Utf8Arguments(int argc, char** argv);

// True when standard input is a terminal or console a person can answer at. On Windows the
// console mode decides: the NUL device counts as a character device, but it is no console.
bool StdinIsInteractive();

// Makes the console show the program's UTF-8 output (and read UTF-8 answers) as such. Does
// nothing where terminals take UTF-8 anyway.
void UseUtf8Console();

// True when text has a wildcard character, '*' or '?'.
bool HasWildcard(std::u16string_view text);

// Wildcard match of a whole name, code unit by code unit, as Windows matches file names:
// '*' stands for any run of characters, '?' for any one character, everything else for
// itself. Exact: a caller that wants case to be ignored folds both texts first.
bool MatchesWildcard(std::u16string_view pattern, std::u16string_view name);

}  // namespace quillon
