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

void ConsoleOutput::lines(char tag, std::string_view text) {
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            write(tag, text.substr(start));
            return;
        }
        write(tag, text.substr(start, end - start));
        start = end + 1;
        if (text[end] == '\r' && start < text.size() && text[start] == '\n') ++start;
    }
}

void ConsoleOutput::line(char tag, std::string_view text) {
    write(tag, escapeLineEnds(text));
}

void ConsoleOutput::note(std::string_view utf8) {
    std::lock_guard lock(mutex_);
    std::fprintf(out_, "# %.*s\n", static_cast<int>(utf8.size()), utf8.data());
    std::fflush(out_);
}

void ConsoleOutput::write(char tag, std::string_view cp932) {
    std::string utf8 = cp932ToUtf8Lossy(escapeControls(cp932));
    std::lock_guard lock(mutex_);
    std::fprintf(out_, "%c %s\n", tag, utf8.c_str());
    std::fflush(out_);
}

}  // namespace qv::console
