// SPDX-License-Identifier: MIT
// RunProgram: runs the built quillon-convert in a folder, with standard input a null device or
// a terminal (a console on Windows) with an answer typed ahead, and collects its exit status
// and what it printed. POSIX systems start it with fork and exec, Windows with CreateProcessW.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "temp_dir.h"

#ifdef _WIN32
#include "program_run_windows.h"
#else
#include "program_run_posix.h"
#endif
