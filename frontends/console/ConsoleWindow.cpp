#include "frontends/console/ConsoleWindow.h"

#include <algorithm>
#include <cstdio>

#include "frontends/console/ConsolePublicFolder.h"
#include "peer/client/PeerHistory.h"
#include "platform/TextCodec.h"

namespace qv::console {
namespace {

// Timer id of the console's input hold; outside the range of the window's timers.
constexpr int kHoldTimer = 90001;

char paneTag(Pane pane) {
    return pane == Pane::Upper ? 'U' : 'L';
}

}  // namespace

ConsoleWindow::ConsoleWindow(ConsoleOutput& out, ConsoleInput& in, EventLoop& loop)
    : out_(out), in_(in), loop_(loop) {}

void ConsoleWindow::addCommand(const std::string& name, Command command) {
    commands_[name] = std::move(command);
}

void ConsoleWindow::holdInput(std::uint32_t ms) {
    holding_ = true;
    releaseAfterDialog_ = false;
    loop_.setTimer(kHoldTimer, ms, [this] {
        loop_.killTimer(kHoldTimer);
        holding_ = false;
        releaseAfterDialog_ = false;
    });
}

void ConsoleWindow::holdInputForDialog(std::uint32_t ms) {
    holdInput(ms);
    releaseAfterDialog_ = true;
}

void ConsoleWindow::releaseInput() {
    loop_.killTimer(kHoldTimer);
    holding_ = false;
    releaseAfterDialog_ = false;
}

void ConsoleWindow::showField(Field field, const std::string& value) {
    std::string& shown = typed_[static_cast<int>(field)];
    if (shown == value) return;
    shown = value;
    out_.line('F', std::string(fieldName(field)) + "=" + shownFieldValue(field, value));
}

std::string ConsoleWindow::shownFieldValue(Field field, const std::string& value) const {
    // The history's clearing entry is the window's own text: it follows the language.
    if (field != Field::History || out_.language() == Language::Japanese) return value;
    std::vector<std::string> entries = splitHistory(value);
    for (std::string& entry : entries) {
        if (entry == clearHistoryEntry()) entry = out_.shown(entry);
    }
    return joinHistory(entries);
}

void ConsoleWindow::readFields(FieldValues& values) {
    for (int i = 0; i < kFieldCount; ++i) {
        if (isUserField(static_cast<Field>(i))) values[i] = typed_[i];
    }
}

void ConsoleWindow::showPane(Pane pane, PaneOp, const std::string& text, const std::string&) {
    out_.lines(paneTag(pane), text);
}

void ConsoleWindow::showTitle(const std::string& title) {
    out_.line('T', title);
}

int ConsoleWindow::messageBox(const std::string& text, const std::string& caption, int style) {
    out_.line('M', caption);
    out_.lines('M', text);
    if ((style & 0xF) != kStyleYesNo) return kResultOk;
    if (!prompt("yesno ", caption)) {
        bool yes =
            std::find(yesCaptions_.begin(), yesCaptions_.end(), caption) != yesCaptions_.end();
        std::fprintf(stderr, "quorvane-cli: %s: answered %s (no input in a one-shot run)\n",
                     out_.shown(caption).c_str(), yes ? "Yes" : "No");
        return yes ? kResultYes : kResultNo;
    }
    std::optional<std::string> answer = takeModalLine();
    return answer && (*answer == "yes" || *answer == "y") ? kResultYes : kResultNo;
}

bool ConsoleWindow::inputDialog(const std::string& caption, const std::string& explanation,
                                std::string& value) {
    out_.line('M', caption);
    out_.lines('M', explanation);
    out_.line('M', "[" + value + "]");
    if (!prompt("input ", caption)) {
        std::fprintf(stderr, "quorvane-cli: %s: cancelled (no input in a one-shot run)\n",
                     out_.shown(caption).c_str());
        return false;
    }
    std::optional<std::string> answer = takeModalLine();
    if (!answer) return false;
    std::optional<std::string> converted = utf8ToCp932(*answer);
    if (!converted) {
        out_.note("the value has characters without a Shift-JIS form; dialog cancelled");
        return false;
    }
    value = *converted;
    return true;
}

void ConsoleWindow::publicFolderDialog(PublicFolderModel& model) {
    runConsoleFolderDialog(
        out_, model, [this] { return takeModalLine(); },
        [this](const std::string& prompt) { return chooseFolder(prompt); });
    if (releaseAfterDialog_) releaseInput();
}

std::string ConsoleWindow::chooseFolder(const std::string& prompt) {
    out_.line('M', prompt);
    if (!this->prompt("input ", prompt)) return {};
    std::optional<std::string> answer = takeModalLine();
    return answer ? folderOfLine(out_, *answer) : std::string();
}

bool ConsoleWindow::openWithShell(const std::string& target) {
    out_.note("open: " + cp932ToUtf8Lossy(target));
    return true;
}

void ConsoleWindow::endWindow(int exitCode) {
    ended_ = true;
    exitCode_ = exitCode;
    loop_.wake();
}

bool ConsoleWindow::prompt(const char* kind, const std::string& caption) {
    if (noInput_) return false;
    out_.prompt(kind, caption);
    return true;
}

std::optional<std::string> ConsoleWindow::takeModalLine() {
    ++modal_;
    std::optional<std::string> line;
    while (!(line = in_.tryTake()) && !in_.ended()) {
        loop_.pump(50);
        in_.waitFor(50);
    }
    --modal_;
    return line;
}

bool ConsoleWindow::acceptsCommand() const {
    if (ended_ || holding_ || modal_ > 0) return false;
    return running_ == 0 || (nestedAllowed_ && nestedAllowed_());
}

bool ConsoleWindow::dispatchOne() {
    if (!acceptsCommand()) return false;
    std::optional<std::string> line = in_.tryTake();
    if (!line) return false;
    ++running_;
    runLine(*line);
    --running_;
    return true;
}

void ConsoleWindow::runLine(const std::string& utf8Line) {
    std::size_t space = utf8Line.find(' ');
    std::string name = utf8Line.substr(0, space);
    std::string args = space == std::string::npos ? "" : utf8Line.substr(space + 1);
    if (name.empty() || name[0] == '#') return;
    auto it = commands_.find(name);
    if (it == commands_.end()) {
        out_.note("unknown command: " + name);
        return;
    }
    std::optional<std::string> converted = utf8ToCp932(args);
    if (!converted) {
        out_.note("ignored: the line has characters without a Shift-JIS form");
        return;
    }
    it->second(*converted);
}

}  // namespace qv::console
