#include "frontends/console/CommandLine.h"

#include <getopt.h>

#include <cstdlib>
#include <string_view>

#include "frontends/console/ConsoleLanguage.h"
#include "net/IpAddress.h"

namespace qv::console {
namespace {

enum LongOnly {
    kServer = 256,
    kWan,
    kSend,
    kRecv,
    kTest,
    kDrop,
    kBuf,
    kAuto,
    kKeyFile,
    kJsonStream,
    kLogFile,
    kLang,
    kTagged,
    kSecure,
};

const option kOptions[] = {
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, 'V'},
    {"port", required_argument, nullptr, 'p'},
    {"client", required_argument, nullptr, 'c'},
    {"json", no_argument, nullptr, 'J'},
    {"server", no_argument, nullptr, kServer},
    {"wan", no_argument, nullptr, kWan},
    {"send", required_argument, nullptr, kSend},
    {"recv", required_argument, nullptr, kRecv},
    {"test", no_argument, nullptr, kTest},
    {"drop", required_argument, nullptr, kDrop},
    {"buf", required_argument, nullptr, kBuf},
    {"auto", no_argument, nullptr, kAuto},
    {"key-file", required_argument, nullptr, kKeyFile},
    {"json-stream", no_argument, nullptr, kJsonStream},
    {"logfile", required_argument, nullptr, kLogFile},
    {"lang", required_argument, nullptr, kLang},
    {"tagged", no_argument, nullptr, kTagged},
    {"secure", no_argument, nullptr, kSecure},
    {nullptr, 0, nullptr, 0},
};

// A whole decimal number within [low, high].
bool numberIn(const char* text, long low, long high, long& value) {
    if (text == nullptr || *text == '\0') return false;
    char* end = nullptr;
    value = std::strtol(text, &end, 10);
    return *end == '\0' && value >= low && value <= high;
}

// Sets `error` and returns false.
bool refuse(CommandLine& line, std::string error) {
    line.outcome = CommandLine::Outcome::BadUsage;
    line.error = std::move(error);
    return false;
}

bool setAction(CommandLine& line, OneShotAction action) {
    if (line.action != OneShotAction::None)
        return refuse(line, "only one of --send, --recv, --test and --drop may be given");
    line.action = action;
    return true;
}

// The program takes 65535 for "no port given" (its default), so it is refused here
// rather than quietly replaced.
constexpr long kHighestPort = 65534;

bool setPort(CommandLine& line, const char* text) {
    long port = 0;
    if (!numberIn(text, 0, kHighestPort, port))
        return refuse(line, std::string("invalid port '") + text + "': a number from 0 to 65534");
    line.port = std::to_string(port);
    return true;
}

// The port part of a peer text as the peer box splits it ("host:port:name",
// "[v6]:port:name"); empty when there is none (the default port is used).
std::string_view peerPortPart(std::string_view peer) {
    if (!peer.empty() && peer.front() == '[') {
        std::size_t close = peer.find("]:");
        if (close == std::string_view::npos) return {};
        peer.remove_prefix(close + 1);
    } else if (parseIpAddress(peer)) {
        return {};  // a bare address, IPv6 included
    }
    std::size_t colon = peer.find(':');
    if (colon == std::string_view::npos) return {};
    std::string_view rest = peer.substr(colon + 1);
    return rest.substr(0, rest.find(':'));
}

bool setPeer(CommandLine& line, const char* text) {
    line.peer = text;
    if (line.peer.empty()) return refuse(line, "-c needs a host");
    std::string port(peerPortPart(line.peer));
    long number = 0;
    if (!port.empty() && !numberIn(port.c_str(), 1, kHighestPort, number))
        return refuse(line, "invalid port '" + port + "' in -c: a number from 1 to 65534");
    return true;
}

bool setSeconds(CommandLine& line, OneShotAction action, const char* text) {
    long seconds = 0;
    if (!numberIn(text, 1, 86400, seconds))
        return refuse(line, std::string("invalid duration '") + text + "': 1 to 86400 seconds");
    line.seconds = static_cast<int>(seconds);
    return setAction(line, action);
}

bool takeOption(CommandLine& line, int code, const char* arg) {
    long number = 0;
    switch (code) {
        case 'h':
            line.outcome = CommandLine::Outcome::Help;
            return true;
        case 'V':
            line.outcome = CommandLine::Outcome::Version;
            return true;
        case 'p':
            return setPort(line, arg);
        case 'c':
            return setPeer(line, arg);
        case 'J':
            line.json = true;
            return true;
        case kServer:
            line.server = true;
            return true;
        case kWan:
            line.wan = true;
            return true;
        case kSend:
            return setSeconds(line, OneShotAction::Send, arg);
        case kRecv:
            return setSeconds(line, OneShotAction::Receive, arg);
        case kTest:
            return setAction(line, OneShotAction::Test);
        case kDrop:
            line.paths.push_back(arg);
            return setAction(line, OneShotAction::Drop);
        case kBuf:
            if (!numberIn(arg, 1, 1000000000, number))
                return refuse(line, std::string("invalid buffer size '") + arg + "'");
            line.buffer = arg;
            return true;
        case kAuto:
            line.autoTune = true;
            return true;
        case kKeyFile:
            line.keyFile = arg;
            return true;
        case kJsonStream:
            line.json = line.jsonStream = true;
            return true;
        case kLogFile:
            line.logFile = arg;
            return true;
        case kLang:
            if (!languageNamed(arg))
                return refuse(line, std::string("invalid language '") + arg + "': ja or en");
            line.language = arg;
            return true;
        case kTagged:
            line.tagged = true;
            return true;
        case kSecure:
            line.secure = true;
            return true;
        default:
            return refuse(line, "unknown option; see --help");
    }
}

bool takePositionals(CommandLine& line, int argc, char** argv, int first) {
    for (int i = first; i < argc; ++i) {
        if (line.action == OneShotAction::Drop) {
            line.paths.push_back(argv[i]);
        } else if (line.port.empty() && i == first && i + 1 == argc) {
            if (!setPort(line, argv[i])) return false;
        } else {
            return refuse(line, std::string("unexpected argument '") + argv[i] + "'");
        }
    }
    return true;
}

bool checkCombination(CommandLine& line) {
    if (line.server && !line.peer.empty())
        return refuse(line, "--server and -c exclude each other");
    if (line.action != OneShotAction::None && line.peer.empty())
        return refuse(line, "--send, --recv, --test and --drop need -c HOST");
    if (!line.peer.empty() && line.action == OneShotAction::None)
        return refuse(line, "-c needs one of --send, --recv, --test or --drop");
    if (line.secure && !line.oneShot()) return refuse(line, "--secure needs -c HOST or --server");
    if (!line.buffer.empty() && line.autoTune)
        return refuse(line, "--buf and --auto exclude each other");
    return true;
}

}  // namespace

CommandLine parseCommandLine(int argc, char** argv) {
    CommandLine line;
    optind = 0;  // a full new scan, also when called twice in one process
    opterr = 0;
    int code;
    while ((code = getopt_long(argc, argv, "hVp:c:J", kOptions, nullptr)) != -1) {
        if (code == '?' || code == ':') {
            std::string word = optopt != 0 && optopt < 256 ? std::string("-") + char(optopt)
                                                           : std::string(argv[optind - 1]);
            refuse(line, "bad option '" + word + "' (unknown or missing its value); see --help");
            return line;
        }
        if (!takeOption(line, code, optarg)) return line;
        if (line.outcome != CommandLine::Outcome::Run) return line;
    }
    if (takePositionals(line, argc, argv, optind)) checkCombination(line);
    return line;
}

std::string usageText() {
    return "Usage: quorvane-cli [OPTION]... [PORT]\n"
           "The console window of Quorvane: measures one-way TCP throughput and moves files\n"
           "between two PCs. Without -c or --server it reads one command per line from\n"
           "standard input (type 'help').\n"
           "\n"
           "  -h, --help            print this text and exit\n"
           "  -V, --version         print the version and exit\n"
           "  -p, --port N          listen on TCP port N (0 to 65534; 0: do not listen); also\n"
           "                        as PORT\n"
           "      --server          listen and answer peers until SIGINT or SIGTERM; never asks\n"
           "      --wan             with --server on a first start: WAN mode instead of LAN\n"
           "  -c, --client HOST[:PORT]  the peer of a one-shot run (PORT 1 to 65534), with one\n"
           "                        of the following; the one-shot options last for that\n"
           "                        run only:\n"
           "      --send SECONDS    stream test data to the peer for SECONDS\n"
           "      --recv SECONDS    have the peer stream test data here for SECONDS\n"
           "      --test            connection test\n"
           "      --drop PATH...    send files and folders to the peer\n"
           "      --buf N           bytes per send for --send (default: the saved BUF,\n"
           "                        4000 at first)\n"
           "      --auto            auto-tune the bytes per send\n"
           "      --key-file F      the security key for WAN mode, read from file F\n"
           "      --secure          with -c or --server: encrypted connections (TLS 1.3,\n"
           "                        keyed by the security key) for this run; the peer\n"
           "                        must use them too, with the same key\n"
           "      --tagged          with -c: print the window's tagged lines (as without -c)\n"
           "                        instead of the short result\n"
           "  -J, --json            print one JSON object with the result at the end\n"
           "      --json-stream     print one JSON object a second and one at the end\n"
           "      --logfile F       write the output lines to F instead of standard output\n"
           "      --lang ja|en      the language of the output (default: QUORVANE_LANG, else\n"
           "                        Japanese for a ja* locale, English for any other)\n"
           "\n"
           "Exit status: 0 success, 1 a test, transfer or request failed, 2 bad usage,\n"
           "3 the listening port could not be opened.\n";
}

}  // namespace qv::console
