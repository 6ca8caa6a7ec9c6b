// The console's `drop PATH...`: files and folders dropped on the window, typed as
// paths. Paths are separated by spaces; a path with spaces is written in double
// quotes. A relative path is taken from the console's working folder.
//
// Threads: window thread (the drop runs the send queue, which pumps).
#pragma once

#include <string>
#include <vector>

namespace qv {
class Program;
}

namespace qv::console {

class ConsoleWindow;

struct DropPaths {
    std::vector<std::string> paths;  // cp932, absolute, "." and ".." resolved
    std::vector<std::string> notes;  // UTF-8 notes on refused paths
};

// Splits the command's arguments (cp932) into absolute paths below `workingFolder`
// (cp932, absolute). A path holding a one-byte "\" is refused: on Linux it is part of
// a file name, which the program would read as a folder separator.
DropPaths parseDropPaths(const std::string& args, const std::string& workingFolder);

// Runs the drop: notes for refused paths, then the drop of the others (if any).
void runDropCommand(Program& program, ConsoleWindow& window, const std::string& args);

}  // namespace qv::console
