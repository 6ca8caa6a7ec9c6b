#include "TestBedPc.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <utility>
#include <vector>

namespace qv::test {

TestBedPc::TestBedPc(const NetBed& bed, const std::string& host, int port, const std::string& ini) {
    folder_.write("quorvane-cli.ini", "[Quorvane]\r\nWAN=0\r\nNICNAME=" + host + "\r\n" + ini);
    cli_ = std::make_unique<CliProcess>(
        folder_.path().string(), std::vector<std::string>{std::to_string(port)}, bed.netns(host));
    // A PC that listens nowhere (port 0) is ready once it shows its settings.
    listening_ = cli_->waitFor(port == 0 ? std::string("U 【現在の設定】")
                                         : std::to_string(port) + " 番ポート待ち受け中..");
}

std::string TestBedPc::streamFor(const std::string& peer, int ms) {
    cli_->send("peer " + peer);
    cli_->send("send");
    cli_->send("wait " + std::to_string(ms));
    cli_->send("stop");
    std::string summary;
    cli_->waitForLine(
        [&summary](const std::string& line) {
            if (line.rfind("# summary: ", 0) != 0) return false;
            summary = line.substr(2);
            return true;
        },
        ms + 15000);
    return summary;
}

std::int64_t summaryAverage(const std::string& summary) {
    std::size_t at = summary.find("average ");
    if (at == std::string::npos) return -1;
    return std::atoll(summary.c_str() + at + 8) * 1000;
}

std::int64_t csvReceiveRate(const std::string& csvText) {
    // Columns: time, period_ms, sent_bytes, received_bytes, ...
    std::vector<std::pair<std::int64_t, std::int64_t>> periods;  // (ms, bytes)
    std::istringstream lines(csvText);
    std::string line;
    std::getline(lines, line);  // the header
    while (std::getline(lines, line)) {
        std::size_t ms = line.find(',');
        std::size_t sent = ms == std::string::npos ? ms : line.find(',', ms + 1);
        std::size_t bytes = sent == std::string::npos ? sent : line.find(',', sent + 1);
        if (bytes == std::string::npos) continue;
        periods.emplace_back(std::atoll(line.c_str() + ms + 1),
                             std::atoll(line.c_str() + bytes + 1));
    }
    std::int64_t ms = 0, bytes = 0;
    for (std::size_t i = 1; i + 1 < periods.size(); ++i) {
        if (periods[i].first > 0 && periods[i - 1].second > 0 && periods[i].second > 0 &&
            periods[i + 1].second > 0) {
            ms += periods[i].first;
            bytes += periods[i].second;
        }
    }
    return ms > 0 ? bytes * 1000 / ms : 0;
}

std::int64_t iperf3Rate(const NetBed& bed, const std::string& client, const std::string& server,
                        const std::string& serverAddress, int seconds) {
    // The server ends after one test, or at the latest when its time is up.
    std::string limit = std::to_string(seconds + 10);
    if (bed.exec(server, "timeout " + limit + " iperf3 -s -1 -p 5201 >/dev/null 2>&1 &") != 0)
        return -1;
    std::string command = "ip netns exec " + bed.netns(client) + " timeout " + limit +
                          " sh -c 'sleep 0.5; iperf3 -c " + serverAddress + " -p 5201 -t " +
                          std::to_string(seconds) + " -f k' 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return -1;
    std::int64_t rate = -1;
    std::array<char, 512> line;
    while (fgets(line.data(), line.size(), pipe) != nullptr) {
        std::string text = line.data();
        std::size_t unit = text.find(" Kbits/sec");
        if (text.find("receiver") == std::string::npos || unit == std::string::npos) continue;
        std::size_t start = text.rfind(' ', unit - 1);
        rate = static_cast<std::int64_t>(std::atof(text.c_str() + start + 1) * 1000 / 8);
    }
    pclose(pipe);
    return rate;
}

}  // namespace qv::test
