// Tagged lines on standard output: every line the console window writes begins with
// a tag and a space ("T " title, "U " upper pane, "L " lower pane, "M " message box,
// "F " field, "# " a note of the console itself), then UTF-8 text. In English the
// program's own texts (every tag but "F", whose values are data) are shown through
// the core's table (ConsoleLanguage.h).
//
// Threads: thread-safe; each line is written and flushed whole.
#pragma once

#include <cstdio>
#include <mutex>
#include <string>
#include <string_view>

#include "frontends/console/ConsoleLanguage.h"

namespace qv::console {

class ConsoleOutput {
  public:
    // A null `out` drops the tagged lines (a one-shot run that prints its short
    // result); the notes then go to `notes` as "quorvane-cli: TEXT", when it is given.
    explicit ConsoleOutput(std::FILE* out = stdout, Language language = Language::Japanese,
                           std::FILE* notes = nullptr)
        : out_(out), notes_(notes), language_(language) {}

    Language language() const { return language_; }

    // Writes one line per line of the cp932 `text` ("\r\n", "\r" or "\n" end a line;
    // a final line end adds no empty line). An empty text writes nothing.
    void lines(char tag, std::string_view text);
    // Writes exactly one line; line ends inside the cp932 `text` show as "\r\n".
    void line(char tag, std::string_view text);
    // A question's line: "? KIND CAPTION" (`kind` ends with a blank).
    void prompt(std::string_view kind, std::string_view caption);
    // A note of the console itself (UTF-8 text).
    void note(std::string_view utf8);

    // One line of the program's cp932 text as this console shows it (UTF-8, in its
    // language, control bytes escaped).
    std::string shown(std::string_view cp932Line) const;
    // A text of several lines the same way, its line ends shown as "\r\n".
    std::string shownText(std::string_view cp932) const;

  private:
    std::string shownAs(char tag, std::string_view cp932Line) const;
    std::string joinedLines(char tag, std::string_view cp932) const;
    void write(char tag, std::string_view utf8);

    std::FILE* out_;
    std::FILE* notes_;
    Language language_;
    std::mutex mutex_;
};

// Replaces CR LF, CR and LF by the four characters "\r\n".
std::string escapeLineEnds(std::string_view text);
// Shows every control byte but the tab (ESC included) as "\xNN", so that text from a
// peer cannot steer the terminal. cp932 text stays intact: its trail bytes are never
// control bytes.
std::string escapeControls(std::string_view cp932);

}  // namespace qv::console
