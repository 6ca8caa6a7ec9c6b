#include "frontends/console/OneShot.h"

#include <array>
#include <ctime>
#include <optional>

#include "app/Program.h"
#include "base/ConfigStore.h"
#include "base/Format.h"
#include "base/IniFile.h"
#include "base/SettingKeys.h"
#include "frontends/console/ConsoleWindow.h"
#include "frontends/console/DropCommand.h"
#include "frontends/console/ShortResult.h"
#include "net/SecurePsk.h"
#include "net/SecureTunnel.h"
#include "net/TcpFigures.h"
#include "peer/client/SendQueue.h"
#include "peer/client/SpeedTest.h"
#include "peer/protocol/ClientError.h"
#include "platform/Clock.h"
#include "platform/FileSystem.h"
#include "platform/TextCodec.h"
#include "ui/CheckAndChatCommands.h"
#include "ui/SpeedTestCommands.h"

namespace qv::console {
namespace {

// Timer ids of the console runs; outside the range of the window's timers.
constexpr int kMeterTimer = 90002;
constexpr int kStopTimer = 90003;
constexpr int kProgressTimer = 90004;
// How long a requested stream may take to arrive.
constexpr std::uint32_t kStreamArrivalMs = 5000;

std::string utcNow() {
    std::time_t now = std::time(nullptr);
    std::tm utc{};
    if (!utcTimeOf(now, utc)) return {};
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

const char* directionName(OneShotAction action) {
    switch (action) {
        case OneShotAction::Send:
            return "send";
        case OneShotAction::Receive:
            return "receive";
        case OneShotAction::Test:
            return "test";
        case OneShotAction::Drop:
            return "drop";
        default:
            return "none";
    }
}

// The sender's TCP figures, when the kernel gave them: what the link did and what held
// the sender back.
void addTcpFigures(JsonObject& json, const TcpFigures& tcp) {
    if (!tcp.valid) return;
    const LimitShares shares = tcp.shares();
    json.add("acknowledged_bytes", tcp.ackedBytes)
        .add("acknowledged_s", tcp.ackedSpanUs / 1e6)
        .add("rtt_min_ms", tcp.rttMinUs / 1000.0)
        .add("rtt_avg_ms", tcp.rttAvgUs / 1000.0)
        .add("rtt_max_ms", tcp.rttMaxUs / 1000.0)
        .add("retransmissions", static_cast<std::int64_t>(tcp.retransmissions))
        .add("cwnd_segments", static_cast<std::int64_t>(tcp.cwnd))
        .add("limited_by", sendLimitName(tcp.limit()));
    if (!tcp.timesKnown || tcp.elapsedUs == 0) return;
    const double elapsed = static_cast<double>(tcp.elapsedUs);
    json.add("limited_network_share", shares.networkUs / elapsed)
        .add("limited_receiver_window_share", shares.receiverWindowUs / elapsed)
        .add("limited_send_buffer_share", shares.sendBufferUs / elapsed)
        .add("limited_program_share", shares.programUs / elapsed);
}

// The options of a one-shot run (the peer, --buf, --auto, --key-file) and what the
// run changes with them (the auto-tune's buffer size) last for that run only: the
// typed fields and the key are put back before the close saves them, or saved once
// more when a signal closed the program during the run. What the program keeps of its
// own (its identity, the WAN address it learnt) stays.
class RunOnlySettings {
  public:
    RunOnlySettings(Program& program, const ConsoleWindow& window)
        : key_(program.settings().getString(setting::kSecKey)) {
        for (std::size_t i = 0; i < kTyped.size(); ++i)
            fields_[i] = window.typed(kTyped[i]);
    }
    void restore(Program& program, ConsoleWindow& window) const {
        for (std::size_t i = 0; i < kTyped.size(); ++i)
            window.type(kTyped[i], fields_[i]);
        ConfigStore& settings = program.settings();
        settings.setString(setting::kSecKey, key_);
        settings.setString(runtime::kSecureThisRun, "");
        if (!program.ended()) return;
        for (std::size_t i = 0; i < kTyped.size(); ++i)
            settings.setString(kTypedSettings[i], fields_[i]);
        saveIni(settings, program.environment().value(EnvironmentTable::kIniPath), 0);
    }

  private:
    static constexpr std::array<Field, 4> kTyped{Field::Peer, Field::Buf, Field::Auto, Field::List};
    static constexpr std::array<const char*, 4> kTypedSettings{setting::kHost, setting::kBuf,
                                                               setting::kAuto, setting::kList};
    std::string key_;
    std::array<std::string, kTyped.size()> fields_;
};

std::string quoted(const std::string& path) {
    return "\"" + path + "\"";
}

// The result three ways: its code, its stable name and its text.
void addResultFields(JsonObject& json, int code, const std::string& name, const std::string& text,
                     bool success) {
    json.add("result_code", code)
        .add("result", name)
        .add("result_text", text)
        .add("success", success);
}

// The first line of a short result: what the run does.
std::string runHeading(const CommandLine& line) {
    const std::string seconds = std::to_string(line.seconds);
    switch (line.action) {
        case OneShotAction::Send:
            return "sending test data to " + line.peer + " for " + seconds + " s";
        case OneShotAction::Receive:
            return "asking " + line.peer + " to send test data here for " + seconds + " s";
        case OneShotAction::Test:
            return "testing the connection with " + line.peer;
        case OneShotAction::Drop:
            return "sending files to " + line.peer;
        default:
            return {};
    }
}

}  // namespace

struct ConsoleRun::Outcome {
    std::string start = utcNow();
    int result = resultCode(ClientResult::kOk);
    std::string resultName;  // empty: the client result name of `result`
    std::string resultText;  // UTF-8; empty: the client error text of `result`
    bool success = false;
    JsonObject fields;                // what the action measured
    std::vector<std::string> totals;  // the short result's lines before the result
};

ConsoleRun::ConsoleRun(Program& program, ConsoleWindow& window, const CommandLine& line,
                       std::FILE* json, std::FILE* shortOut)
    : program_(program), window_(window), line_(line), json_(json), meter_(program) {
    if (shortOut == nullptr) return;
    short_ = std::make_unique<ShortResult>(shortOut);
    // The short result gives the totals itself.
    program_.speedTest().onTestEnded = nullptr;
}

ConsoleRun::~ConsoleRun() {
    program_.loop().killTimer(kMeterTimer);
    program_.loop().killTimer(kStopTimer);
    program_.loop().killTimer(kProgressTimer);
}

void ConsoleRun::printJson(const JsonObject& object) {
    if (json_ == nullptr) return;
    std::fprintf(json_, "%s\n", object.text().c_str());
    std::fflush(json_);
}

void ConsoleRun::startMeter() {
    meter_.onPeriod = [this](const PeriodFigures& period) {
        if (line_.jsonStream) printJson(periodEvent(period));
        showInterval(period);
    };
    // A one-shot --recv reports once at its end; everyone else after each stream.
    if (line_.action != OneShotAction::Receive) {
        meter_.onReceiveEnded = [this](const StreamTotals& totals) {
            if (!short_) window_.note(receiveSummaryText(totals));
            JsonObject json;
            json.add("start", utcNow()).add("direction", "receive");
            addReceiveFields(json, totals);
            addResultFields(json, resultCode(ClientResult::kOk),
                            clientResultName(ClientResult::kOk),
                            window_.shown(clientResultText(ClientResult::kOk)), totals.bytes > 0);
            printJson(json);
            meter_.restartReceived();
        };
    }
    program_.loop().setTimer(kMeterTimer, 500, [this] { meter_.sample(); });
}

template <class Done>
void ConsoleRun::pumpUntil(std::uint32_t ms, Done done) {
    const std::uint32_t start = program_.clock().tickMs();
    while (!done() && program_.clock().tickMs() - start < ms && !program_.ended()) {
        if (program_.loop().pump(100) == 0) program_.loop().waitForWork(50);
    }
}

void ConsoleRun::showInterval(const PeriodFigures& period) {
    const bool sending = line_.action == OneShotAction::Send;
    if (!short_ || reported_ || (!sending && line_.action != OneShotAction::Receive)) return;
    const std::int64_t bytes = sending ? period.sentBytes : period.receivedBytes;
    // The lines start with the stream's first bytes.
    if (bytes == 0 && !streamBegun_) return;
    if (!streamBegun_) short_->intervalHeading();
    streamBegun_ = true;
    short_->line(intervalLine(period.startS, period.endS, bytes, ""));
}

void ConsoleRun::runSend(Outcome& outcome) {
    bool stoppedHere = false;
    program_.loop().setTimer(kStopTimer, static_cast<std::uint32_t>(line_.seconds) * 1000,
                             [this, &stoppedHere] {
                                 program_.loop().killTimer(kStopTimer);
                                 stoppedHere = true;
                                 stopTransfers(program_);
                             });
    outcome.result = startSendTest(program_.services(), program_);
    program_.loop().killTimer(kStopTimer);
    const SpeedTestState& state = program_.speedTest();
    const SpeedTestSummary& record = state.record;
    const bool connected = outcome.result != kNoStream && state.connected;
    // A stream that never stood or moved no byte failed, however it ended.
    outcome.success = connected && record.bytes > 0 &&
                      (outcome.result == resultCode(ClientResult::kOk) ||
                       (stoppedHere && outcome.result == resultCode(ClientResult::kStopped)));
    if (outcome.result == kNoStream) {
        outcome.resultName = "no_peer";
        outcome.resultText = "no usable peer";
    } else if (!connected && stoppedHere) {
        outcome.result = resultCode(ClientResult::kTimeout);
        outcome.resultText = "no connection to the peer within the " +
                             std::to_string(line_.seconds) + " s of the test";
    } else if (connected && record.bytes == 0) {
        outcome.resultName = "no_bytes";
        outcome.resultText = "no byte was sent";
    }
    outcome.totals.push_back(intervalLine(0, record.durationMs / 1000.0, record.bytes, "sender"));
    if (record.tcp.valid)
        outcome.totals.push_back(intervalLine(0, record.tcp.ackedSpanUs / 1e6,
                                              record.tcp.ackedBytes, "receiver (acknowledged)"));
    outcome.fields.add("duration_s", record.durationMs / 1000.0)
        .add("bytes", record.bytes)
        .add("sent_average_bytes_per_s", record.averageRate())
        .add("received_average_bytes_per_s", std::int64_t{0})
        .add("buffers_tried", record.buffersTried)
        .add("buffer_chosen", state.sendBufferSize)
        .add("so_sndbuf", record.grantedSendBuffer);
    addTcpFigures(outcome.fields, record.tcp);
}

void ConsoleRun::runReceive(Outcome& outcome) {
    outcome.result = requestPeerStream(program_);
    if (outcome.result == resultCode(ClientResult::kOk)) {
        pumpUntil(kStreamArrivalMs, [this] { return meter_.received().periods > 0; });
        pumpUntil(static_cast<std::uint32_t>(line_.seconds) * 1000, [] { return false; });
        meter_.sample();
        stopTransfers(program_);
        outcome.success = meter_.received().bytes > 0;
        if (!outcome.success) {
            outcome.resultName = "no_bytes";
            outcome.resultText = "no test data arrived";
        }
    } else if (outcome.result == kNoRequest) {
        outcome.resultName = "no_peer";
        outcome.resultText = "no usable peer";
    }
    const StreamTotals received = meter_.received();
    outcome.totals.push_back(intervalLine(0, received.seconds(), received.bytes, "receiver"));
    addReceiveFields(outcome.fields, received);
    outcome.fields.add("sent_average_bytes_per_s", std::int64_t{0});
}

void ConsoleRun::runTest(Outcome& outcome) {
    outcome.result = runConnectionTest(program_);
    outcome.success = outcome.result == resultCode(ClientResult::kOk);
    if (outcome.result == kNotRun) {
        outcome.resultName = "no_peer";
        outcome.resultText = "no usable peer";
    }
}

void ConsoleRun::runDrop(Outcome& outcome) {
    std::string args;
    for (const std::string& path : line_.paths)
        args += quoted(utf8ToCp932Lossy(path)) + " ";
    const SendQueue::RunCounts before = program_.sendQueue().lastRun;
    program_.loop().setTimer(kProgressTimer, 1000, [this] { showDropProgress(); });
    runDropCommand(program_, window_, args);
    program_.loop().killTimer(kProgressTimer);
    const SendQueue::RunCounts& after = program_.sendQueue().lastRun;
    const bool ran = after.runs != before.runs;
    outcome.success = ran && !after.stopped && after.sendErrors == 0 && after.checkErrors == 0;
    outcome.result = outcome.success ? resultCode(ClientResult::kOk) : kNotRun;
    outcome.resultName = !ran ? "nothing_sent" : outcome.success ? "ok" : "not_all_sent";
    outcome.resultText = !ran              ? "nothing was sent"
                         : outcome.success ? "sent"
                                           : "some files were not sent";
    if (ran)
        outcome.totals.push_back(strprintf(
            "%lld files in %.2f s: %lld send errors, %lld check errors, storage %s",
            static_cast<long long>(after.files), after.elapsedMs / 1000.0,
            static_cast<long long>(after.sendErrors), static_cast<long long>(after.checkErrors),
            outcome.success && !after.unconfirmed ? "confirmed" : "not confirmed"));
    outcome.fields.add("duration_s", after.elapsedMs / 1000.0)
        .add("files", std::int64_t{ran ? after.files : 0})
        .add("send_errors", std::int64_t{ran ? after.sendErrors : 0})
        .add("check_errors", std::int64_t{ran ? after.checkErrors : 0})
        .add("storage_confirmed", outcome.success && !after.unconfirmed);
}

void ConsoleRun::showDropProgress() {
    const TransferProgress progress = program_.window().progress();
    if (progress.direction != TransferProgress::Direction::Send) return;
    if (short_) short_->progress(progress);
    if (!line_.jsonStream) return;
    JsonObject event;
    event.add("event", "progress")
        .add("file", cp932ToUtf8Lossy(progress.fileName))
        .add("file_number", progress.fileNumber)
        .add("file_count", progress.fileCount)
        .add("done_bytes", progress.done)
        .add("total_bytes", progress.total)
        .add("bytes_per_s", progress.bytesPerSecond)
        .add("seconds_left", progress.secondsLeft());
    printJson(event);
}

void ConsoleRun::report(const Outcome& outcome) {
    reported_ = true;
    std::string text = !outcome.resultText.empty()
                           ? outcome.resultText
                           : window_.shown(clientResultText(resultOfCode(outcome.result)));
    std::string name = !outcome.resultName.empty() ? outcome.resultName
                                                   : clientResultName(resultOfCode(outcome.result));
    const std::string result = std::string(outcome.success ? "success" : "failed") + ", " +
                               directionName(line_.action) + ", code " +
                               std::to_string(outcome.result) + " (" + text + ")";
    if (short_) {
        for (const std::string& total : outcome.totals)
            short_->line(total);
        const std::string cipher = encryptedCipher();
        if (!cipher.empty()) short_->line("encrypted: " + cipher);
        short_->line("result: " + result + ", " + name);
    } else {
        window_.note("result: " + result);
    }
    JsonObject json;
    json.add("start", outcome.start)
        .add("peer", line_.peer)
        .add("direction", directionName(line_.action))
        .addAll(outcome.fields);
    addResultFields(json, outcome.result, name, text, outcome.success);
    const std::string cipher = encryptedCipher();
    json.add("encrypted", !cipher.empty()).add("cipher", cipher);
    printJson(json);
}

// The cipher suite the run's connections used; "" when they ran without encryption.
std::string ConsoleRun::encryptedCipher() const {
    return encryptedModeSet(program_.settings()) ? lastClientCipher() : "";
}

// --secure: the encrypted mode for this run, which needs a security key.
bool ConsoleRun::useSecureMode() {
    if (!line_.secure) return true;
    if (program_.settings().getString(setting::kSecKey).empty()) {
        std::fprintf(stderr,
                     "quorvane-cli: --secure needs a security key (SEC_KEY in the settings "
                     "file, or --key-file)\n");
        return false;
    }
    program_.settings().setString(runtime::kSecureThisRun, "1");
    return true;
}

bool ConsoleRun::useKeyFile() {
    if (line_.keyFile.empty()) return true;
    std::optional<std::string> content = readWholeFile(utf8ToCp932Lossy(line_.keyFile));
    std::optional<std::string> key =
        content ? utf8ToCp932(content->substr(0, content->find_first_of("\r\n"))) : std::nullopt;
    if (!key || key->empty()) {
        std::fprintf(stderr, "quorvane-cli: cannot read a security key from %s\n",
                     line_.keyFile.c_str());
        return false;
    }
    program_.settings().setString(setting::kSecKey, *key);
    // The sub key follows the key, as after the key dialog: computed at start without
    // a key, it was empty.
    program_.securityKey().computeSubKey(program_.securitySettings(), program_.clock().localTime());
    return true;
}

int ConsoleRun::runClientAction() {
    const RunOnlySettings before(program_, window_);
    window_.type(Field::Peer, utf8ToCp932Lossy(line_.peer));
    if (!line_.buffer.empty()) window_.type(Field::Buf, line_.buffer);
    if (!line_.buffer.empty() || line_.autoTune)
        window_.type(Field::Auto, line_.autoTune ? "1" : "0");
    Outcome outcome;
    if (!useKeyFile() || !useSecureMode()) {
        before.restore(program_, window_);
        program_.close();
        return kExitUsage;
    }
    if (short_) short_->line(runHeading(line_));
    switch (line_.action) {
        case OneShotAction::Send:
            runSend(outcome);
            break;
        case OneShotAction::Receive:
            runReceive(outcome);
            break;
        case OneShotAction::Test:
            runTest(outcome);
            break;
        case OneShotAction::Drop:
            runDrop(outcome);
            break;
        case OneShotAction::None:
            break;
    }
    report(outcome);
    before.restore(program_, window_);
    program_.close();
    return outcome.success ? kExitOk : kExitFailed;
}

}  // namespace qv::console
