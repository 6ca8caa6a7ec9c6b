#include "support/RecordingReceiver.h"

#include <poll.h>
#include <sys/socket.h>

#include <chrono>
#include <thread>

#include "peer/protocol/LstList.h"
#include "peer/protocol/RequestLine.h"

namespace qv::test {
namespace {

constexpr int kReadTimeoutMs = 3000;

// Reads what is there (waiting up to the time-out); false at the end or on silence.
bool readSome(int fd, std::string& into, std::size_t most) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, kReadTimeoutMs) <= 0) return false;
    char buffer[65536];
    ssize_t n = recv(fd, buffer, std::min(sizeof buffer, most), 0);
    if (n <= 0) return false;
    into.append(buffer, static_cast<std::size_t>(n));
    return true;
}

void sendText(int fd, const std::string& text) {
    send(fd, text.data(), text.size(), MSG_NOSIGNAL);
}

}  // namespace

std::vector<std::string> lineFields(const std::string& line) {
    std::size_t colon = line.find(':');
    RequestFields fields(std::string_view(line).substr(colon + 1));
    std::vector<std::string> out;
    for (int i = 0; i < fields.count(); ++i)
        out.emplace_back(fields[i]);
    return out;
}

RecordingReceiver::RecordingReceiver(int readDelayMs)
    : readDelayMs_(readDelayMs),
      server_([this](int fd, const std::atomic<bool>& stopping) { serve(fd, stopping); }) {}

void RecordingReceiver::scriptLstAnswer(std::string answer) {
    std::lock_guard lock(mutex_);
    lstAnswers_.push_back(std::move(answer));
}

std::vector<RecordingReceiver::Request> RecordingReceiver::requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

bool RecordingReceiver::waitForRequests(std::size_t count, int timeoutMs) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                             [&] { return requests_.size() >= count; });
}

std::string RecordingReceiver::lstAnswerFor(const std::string& payload) {
    std::lock_guard lock(mutex_);
    if (!lstAnswers_.empty()) {
        std::string answer = lstAnswers_.front();
        lstAnswers_.pop_front();
        return answer;
    }
    std::size_t lines = parseLstList(payload).value_or(std::vector<LstEntry>{}).size();
    return std::string(lines, '0');
}

void RecordingReceiver::serve(int fd, const std::atomic<bool>& stopping) {
    std::string data;
    while (!stopping && data.find('\0') == std::string::npos) {
        if (!readSome(fd, data, 65536)) return;
    }
    Request request{data.substr(0, data.find('\0')), data.substr(data.find('\0') + 1)};
    std::vector<std::string> fields = lineFields(request.line);
    const auto size =
        static_cast<std::size_t>(std::atoll(fields.size() > 1 ? fields[1].c_str() : "0"));
    const bool resumable = request.line.rfind("SEND-R-REQ:", 0) == 0;
    if (resumable) sendText(fd, std::string("0") + '\0');
    while (!stopping && request.payload.size() < size) {
        if (readDelayMs_ > 0) std::this_thread::sleep_for(std::chrono::milliseconds(readDelayMs_));
        std::size_t most = readDelayMs_ > 0 ? 16384 : 65536;
        if (!readSome(fd, request.payload, std::min(most, size - request.payload.size()))) break;
    }
    if (resumable && request.payload.size() == size) sendText(fd, "OK");
    if (!fields.empty() && fields[0] == "** LST **") sendText(fd, lstAnswerFor(request.payload));
    std::lock_guard lock(mutex_);
    requests_.push_back(std::move(request));
    changed_.notify_all();
}

}  // namespace qv::test
