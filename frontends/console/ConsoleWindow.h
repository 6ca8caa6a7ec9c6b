// The main window on a terminal or a pipe. It shows the window's changes as tagged
// lines (ConsoleOutput) and runs one command per input line on the window thread,
// like a button press.
//
// When a command line runs: the next line is taken when the previous command has
// finished, or while a long transfer loop runs (the `nestedCommandsAllowed`
// predicate; Stop is pressed that way during a speed test). "wait MS" holds the input
// for MS milliseconds while the window keeps pumping. A message box with Yes/No and
// the input dialog read their answer from the next input line, announced by a prompt
// line ("? yesno CAPTION", "? input CAPTION"); the public folder dialog reads its
// commands from the following lines (ConsolePublicFolder.h). A one-shot run reads no
// input: its questions take their safe default and say so on standard error.
//
// Threads: window thread only (it is the view and an event source of the window loop).
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "frontends/console/ConsoleInput.h"
#include "frontends/console/ConsoleOutput.h"
#include "model/WindowView.h"
#include "net/EventLoop.h"

namespace qv::console {

class ConsoleWindow final : public WindowView, public EventSource {
  public:
    // A command gets the rest of its line (cp932) after the command word and a space.
    using Command = std::function<void(const std::string& args)>;

    ConsoleWindow(ConsoleOutput& out, ConsoleInput& in, EventLoop& loop);

    void addCommand(const std::string& name, Command command);
    void setNestedCommandsAllowed(std::function<bool()> predicate) {
        nestedAllowed_ = std::move(predicate);
    }

    // What the user typed into a field (the widget's content).
    void type(Field field, std::string value) {
        typed_[static_cast<int>(field)] = std::move(value);
    }
    const std::string& typed(Field field) const { return typed_[static_cast<int>(field)]; }

    // No input will be read: a Yes/No box answers Yes only when its caption (cp932) is
    // in `yesCaptions`, an input dialog is cancelled, a folder choice is empty.
    void answerWithoutInput(std::vector<std::string> yesCaptions) {
        noInput_ = true;
        yesCaptions_ = std::move(yesCaptions);
    }

    bool windowEnded() const { return ended_; }
    int exitCode() const { return exitCode_; }

    // A note of the console itself ("# " line).
    void note(const std::string& utf8) { out_.note(utf8); }
    // One line of the program's cp932 text as the console shows it (UTF-8, in its
    // language).
    std::string shown(const std::string& cp932Line) const { return out_.shown(cp932Line); }
    Language language() const { return out_.language(); }

    // Holds further command lines for `ms` milliseconds.
    void holdInput(std::uint32_t ms);
    // Holds further command lines until the next public folder dialog has closed, at
    // most `ms` milliseconds (the pick dialog follows a list request by a moment, and
    // the lines typed after the request are meant for it).
    void holdInputForDialog(std::uint32_t ms);
    // Ends a hold at once.
    void releaseInput();

    // ---- WindowView ----
    void showField(Field field, const std::string& value) override;
    void readFields(FieldValues& values) override;
    void showPane(Pane pane, PaneOp op, const std::string& text, const std::string& whole) override;
    void showTitle(const std::string& title) override;
    void setStopEnabled(bool) override {}
    int messageBox(const std::string& text, const std::string& caption, int style) override;
    bool inputDialog(const std::string& caption, const std::string& explanation,
                     std::string& value) override;
    // Prints the dialog and reads its commands from the next input lines (see
    // ConsolePublicFolder.h).
    void publicFolderDialog(PublicFolderModel& model) override;
    // Reads the folder from the next input line.
    std::string chooseFolder(const std::string& prompt) override;
    void playSound(const std::string&) override {}
    bool openWithShell(const std::string& target) override;
    void endWindow(int exitCode) override;

    // ---- EventSource ----
    bool dispatchOne() override;

  private:
    // A field's value as its "F" line shows it.
    std::string shownFieldValue(Field field, const std::string& value) const;
    bool acceptsCommand() const;
    void runLine(const std::string& utf8Line);
    // Takes the next input line for a modal dialog while the loop keeps pumping;
    // empty when the input has ended.
    std::optional<std::string> takeModalLine();
    // A prompt line before a dialog reads its answer; false when no input is read.
    bool prompt(const char* kind, const std::string& caption);

    ConsoleOutput& out_;
    ConsoleInput& in_;
    EventLoop& loop_;
    std::map<std::string, Command> commands_;
    std::function<bool()> nestedAllowed_;
    FieldValues typed_;
    int running_ = 0;
    int modal_ = 0;
    bool holding_ = false;
    bool releaseAfterDialog_ = false;
    bool noInput_ = false;
    std::vector<std::string> yesCaptions_;
    bool ended_ = false;
    int exitCode_ = 0;
};

}  // namespace qv::console
