// The console's runs without standard input: `--server` listens until SIGINT or
// SIGTERM; `-c HOST --send|--recv|--test|--drop` does one thing with the peer and
// ends. Both print a summary (one JSON object with --json) of what was received or
// sent, on failure too: the server as a "# " note, a -c run as its short result
// (ShortResult.h), or as a "# result:" note among the tagged lines with --tagged. The
// JSON names the result three ways: `result_code`, the stable ASCII `result` and
// `result_text` in the console's language.
//
// Threads: window thread; everything pumps the window loop while it waits.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "frontends/console/CommandLine.h"
#include "frontends/console/ShortResult.h"
#include "frontends/console/TransferMeter.h"

namespace qv {
class Program;
}

namespace qv::console {

class ConsoleWindow;

class ConsoleRun {
  public:
    // `json` receives the JSON objects (null: no JSON wanted), `shortOut` the short
    // result of a -c run (null: the tagged lines tell instead).
    ConsoleRun(Program& program, ConsoleWindow& window, const CommandLine& line, std::FILE* json,
               std::FILE* shortOut);
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
    // A short result's line for an ended period of a --send or --recv.
    void showInterval(const PeriodFigures& period);
    // The drop's progress: a progress line, and an event with --json-stream.
    void showDropProgress();
    // Puts the key of --key-file in place of the stored one (for this run only, as
    // every one-shot option); false when unreadable.
    bool useKeyFile();
    bool useSecureMode();
    std::string encryptedCipher() const;
    void printJson(const JsonObject& object);
    // Pumps the window loop up to `ms` or until `done` holds.
    template <class Done>
    void pumpUntil(std::uint32_t ms, Done done);

    Program& program_;
    ConsoleWindow& window_;
    const CommandLine& line_;
    std::FILE* json_;
    TransferMeter meter_;
    std::unique_ptr<ShortResult> short_;
    bool streamBegun_ = false;  // an interval line was printed
    bool reported_ = false;     // the result was printed: no further interval lines
};

}  // namespace qv::console
