#include "platform/ConsoleText.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
// after windows.h
#include <shellapi.h>

#include "platform/WideText.h"
#else
#include <unistd.h>
#endif

namespace qv {
namespace {

// One line of bytes; a CR before the LF is dropped.
bool readByteLine(std::FILE* in, std::string& line) {
    int c;
    while ((c = std::fgetc(in)) != EOF) {
        if (c == '\n') break;
        line += static_cast<char>(c);
    }
    if (c == EOF && line.empty()) return false;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return true;
}

#ifdef _WIN32
// The console window behind `in`, or null when `in` is a pipe or a file.
HANDLE consoleOf(std::FILE* in) {
    auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(in)));
    DWORD mode = 0;
    return handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) ? handle : nullptr;
}

// One line typed at the console, read in its wide form.
bool readConsoleLine(HANDLE console, std::string& line) {
    std::wstring wide;
    wchar_t c = 0;
    DWORD count = 0;
    while (ReadConsoleW(console, &c, 1, &count, nullptr) && count == 1 && c != L'\n') {
        if (c == 0x1A && wide.empty()) return false;  // Ctrl-Z: the end of the input
        wide += c;
    }
    if (count == 0 && wide.empty()) return false;
    if (!wide.empty() && wide.back() == L'\r') wide.pop_back();
    line = narrow(wide).value_or(std::string());
    return true;
}
#endif

}  // namespace

void useUtf8Console() {
#ifdef _WIN32
    SetConsoleOutputCP(CP_UTF8);
    SetConsoleCP(CP_UTF8);
    // Piped bytes as they come: no CR LF folding, no Ctrl-Z ending the input.
    _setmode(_fileno(stdin), _O_BINARY);
#endif
}

std::vector<std::string> utf8Arguments(int argc, char** argv) {
#ifdef _WIN32
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide != nullptr) {
        std::vector<std::string> words;
        for (int i = 0; i < count; ++i)
            words.push_back(narrow(wide[i]).value_or(std::string()));
        LocalFree(wide);
        return words;
    }
#endif
    return std::vector<std::string>(argv, argv + argc);
}

bool readInputLine(std::FILE* in, std::string& line) {
    line.clear();
#ifdef _WIN32
    if (HANDLE console = consoleOf(in)) return readConsoleLine(console, line);
#endif
    return readByteLine(in, line);
}

std::FILE* openAppendFile(const std::string& path) {
#ifdef _WIN32
    std::optional<std::wstring> wide = widen(path);
    return wide ? _wfopen(wide->c_str(), L"a") : nullptr;
#else
    return std::fopen(path.c_str(), "a");
#endif
}

bool isTerminal(std::FILE* stream) {
#ifdef _WIN32
    return _isatty(_fileno(stream)) != 0;
#else
    return isatty(fileno(stream)) == 1;
#endif
}

}  // namespace qv
