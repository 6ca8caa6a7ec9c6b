#include "frontends/console/ConsoleInput.h"

#include <chrono>
#include <memory>
#include <thread>

#include "platform/ConsoleText.h"

namespace qv::console {

void ConsoleInput::readFrom(std::FILE* in) {
    std::thread([this, in] {
        std::string line;
        while (readInputLine(in, line))
            push(std::move(line));
        finish();
    }).detach();
}

void ConsoleInput::push(std::string utf8Line) {
    {
        std::lock_guard lock(mutex_);
        lines_.push_back(std::move(utf8Line));
    }
    cv_.notify_all();
    loop_.wake();
}

void ConsoleInput::finish() {
    {
        std::lock_guard lock(mutex_);
        finished_ = true;
    }
    cv_.notify_all();
    loop_.wake();
}

std::optional<std::string> ConsoleInput::tryTake() {
    std::lock_guard lock(mutex_);
    if (lines_.empty()) return std::nullopt;
    std::string line = std::move(lines_.front());
    lines_.pop_front();
    return line;
}

bool ConsoleInput::waitFor(std::uint32_t ms) {
    std::unique_lock lock(mutex_);
    return cv_.wait_for(lock, std::chrono::milliseconds(ms),
                        [this] { return !lines_.empty() || finished_; });
}

bool ConsoleInput::ended() const {
    std::lock_guard lock(mutex_);
    return finished_ && lines_.empty();
}

}  // namespace qv::console
