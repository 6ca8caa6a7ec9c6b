// The console's text in UTF-8 on both systems: the command line, the lines typed or
// piped in, and whether a stream is a terminal. On Windows the console is switched to
// UTF-8 both ways, the command line is read in its wide form, and a line typed at the
// console is read in its wide form too (a pipe's bytes are taken as they come); lines
// may end in CR LF there.
//
// Threads: useUtf8Console() and utf8Arguments() on the main thread at start-up;
// readInputLine() on the one thread that reads `in`; isTerminal() on any thread.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace qv {

// Switches the console's code pages to UTF-8 (Windows); nothing to do on Linux.
void useUtf8Console();

// The command-line words in UTF-8: argv itself on Linux, the wide command line on
// Windows.
std::vector<std::string> utf8Arguments(int argc, char** argv);

// Reads one line of `in` into `line` (UTF-8, without its LF or CR LF); false at the
// end of the input when nothing was left to read.
bool readInputLine(std::FILE* in, std::string& line);

// Opens the file at the UTF-8 `path` for appending text; null when it cannot.
std::FILE* openAppendFile(const std::string& path);

// True when `stream` is a terminal (a console window on Windows).
bool isTerminal(std::FILE* stream);

}  // namespace qv
