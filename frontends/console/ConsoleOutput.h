// Tagged lines on standard output: every line the console window writes begins with
// a tag and a space ("T " title, "U " upper pane, "L " lower pane, "M " message box,
// "F " field, "# " a note of the console itself), then UTF-8 text.
//
// Threads: thread-safe; each line is written and flushed whole.
#pragma once

#include <cstdio>
#include <mutex>
#include <string>
#include <string_view>

namespace qv::console {

class ConsoleOutput {
  public:
    explicit ConsoleOutput(std::FILE* out = stdout) : out_(out) {}

    // Writes one line per line of the cp932 `text` ("\r\n", "\r" or "\n" end a line;
    // a final line end adds no empty line). An empty text writes nothing.
    void lines(char tag, std::string_view text);
    // Writes exactly one line; line ends inside the cp932 `text` show as "\r\n".
    void line(char tag, std::string_view text);
    // A note of the console itself (UTF-8 text).
    void note(std::string_view utf8);

  private:
    void write(char tag, std::string_view cp932);

    std::FILE* out_;
    std::mutex mutex_;
};

// Replaces CR LF, CR and LF by the four characters "\r\n".
std::string escapeLineEnds(std::string_view text);
// Shows every control byte but the tab (ESC included) as "\xNN", so that text from a
// peer cannot steer the terminal. cp932 text stays intact: its trail bytes are never
// control bytes.
std::string escapeControls(std::string_view cp932);

}  // namespace qv::console
