// The console program's command line: the options (getopt_long) and the positional
// port argument, checked before anything is started or written.
//
// Exit codes of the console program: kExitOk, kExitFailed (a test, a transfer or a
// request failed), kExitUsage (a bad command line), kExitNoListen (the listening port
// could not be opened).
//
// Threads: pure functions; any thread.
#pragma once

#include <string>
#include <vector>

namespace qv::console {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitNoListen = 3;

// What a one-shot run does with the peer given by -c.
enum class OneShotAction { None, Send, Receive, Test, Drop };

struct CommandLine {
    enum class Outcome { Run, Help, Version, BadUsage };
    Outcome outcome = Outcome::Run;
    std::string error;  // why the command line was refused (BadUsage)

    std::string port;  // "" when neither -p nor the positional argument gave one
    bool server = false;
    bool wan = false;
    std::string peer;  // -c HOST[:PORT]
    OneShotAction action = OneShotAction::None;
    int seconds = 0;                 // --send / --recv
    std::vector<std::string> paths;  // --drop
    std::string buffer;              // --buf N
    bool autoTune = false;           // --auto
    std::string keyFile;
    bool secure = false;  // --secure: the encrypted mode for this run
    bool json = false;
    bool jsonStream = false;
    std::string logFile;
    std::string language;  // --lang: "ja", "en" or "" (from the environment)
    bool tagged = false;   // --tagged: a -c run prints the tagged lines, not its short result

    // Runs without reading standard input (--server or -c).
    bool oneShot() const { return server || !peer.empty(); }
    // A -c run that prints its short result instead of the tagged lines.
    bool shortResult() const { return !peer.empty() && !tagged; }
};

// Parses argv (the program name first). Never exits, never prints.
CommandLine parseCommandLine(int argc, char** argv);

// The text of --help (UTF-8, ends with a line end).
std::string usageText();

}  // namespace qv::console
