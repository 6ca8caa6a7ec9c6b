#include "frontends/console/ConsoleOutput.h"

#include <cstdio>

#include "platform/TextCodec.h"

namespace qv::console {

std::string escapeLineEnds(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\r' || c == '\n') {
            out += "\\r\\n";
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            out += c;
        }
    }
    return out;
}

std::string escapeControls(std::string_view cp932) {
    std::string out;
    for (char c : cp932) {
        auto byte = static_cast<unsigned char>(c);
        if ((byte < 0x20 && c != '\t') || byte == 0x7F) {
            char code[5];
            std::snprintf(code, sizeof code, "\\x%02X", byte);
            out += code;
        } else {
            out += c;
        }
    }
    return out;
}

namespace {

// Calls `each` with every line of `text` ("\r\n", "\r" or "\n" end a line). A final
// line end adds an empty line only with `emptyLast`.
template <class Each>
void forEachLine(std::string_view text, bool emptyLast, Each each) {
    std::size_t start = 0;
    while (true) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            if (emptyLast || start < text.size()) each(text.substr(start));
            return;
        }
        each(text.substr(start, end - start));
        start = end + 1;
        if (text[end] == '\r' && start < text.size() && text[start] == '\n') ++start;
    }
}

}  // namespace

std::string ConsoleOutput::shown(std::string_view cp932Line) const {
    return shownLine(language_, cp932ToUtf8Lossy(escapeControls(cp932Line)));
}

void ConsoleOutput::lines(char tag, std::string_view text) {
    forEachLine(text, false, [&](std::string_view one) { write(tag, shownAs(tag, one)); });
}

void ConsoleOutput::line(char tag, std::string_view text) {
    write(tag, joinedLines(tag, text));
}

std::string ConsoleOutput::shownText(std::string_view cp932) const {
    return joinedLines('M', cp932);
}

std::string ConsoleOutput::joinedLines(char tag, std::string_view cp932) const {
    // Each line of the text is shown on its own; their ends become "\r\n".
    std::string joined;
    bool first = true;
    forEachLine(cp932, true, [&](std::string_view one) {
        joined += (first ? "" : "\\r\\n") + shownAs(tag, one);
        first = false;
    });
    return joined;
}

void ConsoleOutput::prompt(std::string_view kind, std::string_view caption) {
    write('?', std::string(kind) + shown(escapeLineEnds(caption)));
}

std::string ConsoleOutput::shownAs(char tag, std::string_view cp932Line) const {
    // A field's value is data (a peer text, a status code): it stays as it is.
    if (tag == 'F') return cp932ToUtf8Lossy(escapeControls(cp932Line));
    return shown(cp932Line);
}

void ConsoleOutput::note(std::string_view utf8) {
    std::FILE* to = out_ != nullptr ? out_ : notes_;
    if (to == nullptr) return;
    std::lock_guard lock(mutex_);
    std::fprintf(to, "%s%.*s\n",
                 out_ != nullptr ? "# " : "quorvane-cli: ", static_cast<int>(utf8.size()),
                 utf8.data());
    std::fflush(to);
}

void ConsoleOutput::write(char tag, std::string_view utf8) {
    if (out_ == nullptr) return;
    std::lock_guard lock(mutex_);
    std::fprintf(out_, "%c %.*s\n", tag, static_cast<int>(utf8.size()), utf8.data());
    std::fflush(out_);
}

}  // namespace qv::console
