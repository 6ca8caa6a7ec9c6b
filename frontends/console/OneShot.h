// The console's runs without standard input: `--server` listens until SIGINT or
// SIGTERM; `-c HOST --send|--recv|--test|--drop` does one thing with the peer and
// ends. Both print a summary (a "# " note, and one JSON object with --json) of what
// was received or sent, on failure too.
//
// Threads: window thread; everything pumps the window loop while it waits.
#pragma once

#include <cstdio>
#include <string>

#include "frontends/console/CommandLine.h"
#include "frontends/console/TransferMeter.h"

namespace qv {
class Program;
}

namespace qv::console {

class ConsoleWindow;

class ConsoleRun {
  public:
    // `json` receives the JSON objects (null: no JSON wanted).
    ConsoleRun(Program& program, ConsoleWindow& window, const CommandLine& line, std::FILE* json);
    ~ConsoleRun();

    // Starts the meter: the receive summary after each received stream, and the
    // per-second events of --json-stream.
    void startMeter();
    // Runs the one-shot action of -c; returns the exit code. The program is closed.
    int runClientAction();

  private:
    struct Outcome;
    void runSend(Outcome& outcome);
    void runReceive(Outcome& outcome);
    void runTest(Outcome& outcome);
    void runDrop(Outcome& outcome);
    void report(const Outcome& outcome);
    // Puts the key of --key-file in place of the stored one (for this run only, as
    // every one-shot option); false when unreadable.
    bool useKeyFile();
    void printJson(const JsonObject& object);
    // Pumps the window loop up to `ms` or until `done` holds.
    template <class Done>
    void pumpUntil(std::uint32_t ms, Done done);

    Program& program_;
    ConsoleWindow& window_;
    const CommandLine& line_;
    std::FILE* json_;
    TransferMeter meter_;
};

}  // namespace qv::console
