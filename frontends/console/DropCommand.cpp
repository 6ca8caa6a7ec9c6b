#include "frontends/console/DropCommand.h"

#include <filesystem>
#include <system_error>

#include "app/Program.h"
#include "base/Cp932.h"
#include "frontends/console/ConsoleWindow.h"
#include "peer/client/SendQueue.h"
#include "platform/TextCodec.h"
#include "platform/Utf8Path.h"

namespace qv::console {
namespace {

// The words of the arguments: runs of non-blanks, or texts in double quotes. Blanks
// and quotes never occur as the second byte of a two-byte cp932 character.
std::vector<std::string> words(const std::string& args) {
    std::vector<std::string> out;
    std::size_t pos = 0;
    while (pos < args.size()) {
        if (args[pos] == ' ' || args[pos] == '\t') {
            ++pos;
            continue;
        }
        bool quoted = args[pos] == '"';
        std::size_t start = quoted ? pos + 1 : pos;
        std::size_t end = quoted ? args.find('"', start) : args.find_first_of(" \t", start);
        if (end == std::string::npos) end = args.size();
        out.push_back(args.substr(start, end - start));
        pos = end + 1;
    }
    return out;
}

bool holdsOneByteBackslash(const std::string& path) {
    for (std::size_t pos = 0; pos < path.size(); pos += charLength(path, pos)) {
        if (path[pos] == '\\') return true;
    }
    return false;
}

// The working folder, or "" when it has no cp932 form.
std::string workingFolderCp932() {
    std::error_code error;
    std::filesystem::path cwd = std::filesystem::current_path(error);
    if (error) return {};
    return utf8ToCp932(utf8Of(cwd.generic_u8string())).value_or("");
}

// `word` made absolute below `workingFolder` and without "." or "..", in cp932 with
// "/" between folders; none when it has no Unicode form.
std::optional<std::string> absoluteNormalPath(const std::string& word,
                                              const std::string& workingFolder) {
    std::optional<std::string> utf8 = cp932ToUtf8(word);
    if (!utf8) return std::nullopt;
    std::filesystem::path path = utf8Path(*utf8);
    if (path.is_relative()) path = utf8Path(cp932ToUtf8(workingFolder).value_or("")) / path;
    std::optional<std::string> normal =
        utf8ToCp932(utf8Of(path.lexically_normal().generic_u8string()));
    if (normal && normal->size() > 1 && normal->back() == '/') normal->pop_back();
    return normal;
}

}  // namespace

DropPaths parseDropPaths(const std::string& args, const std::string& workingFolder) {
    DropPaths drop;
    for (const std::string& word : words(args)) {
        if (word.empty()) continue;
        if (!kBackslashSeparates && holdsOneByteBackslash(word)) {
            drop.notes.push_back("refused (a \\ in a name cannot be sent): " +
                                 cp932ToUtf8Lossy(word));
            continue;
        }
        if (utf8Path(cp932ToUtf8Lossy(word)).is_relative() && workingFolder.empty()) {
            drop.notes.push_back("refused (the working folder has no Shift-JIS form): " +
                                 cp932ToUtf8Lossy(word));
            continue;
        }
        std::optional<std::string> normal = absoluteNormalPath(word, workingFolder);
        if (!normal) {
            drop.notes.push_back("refused (not a valid Shift-JIS name): " + cp932ToUtf8Lossy(word));
            continue;
        }
        drop.paths.push_back(*normal);
    }
    return drop;
}

void runDropCommand(Program& program, ConsoleWindow& window, const std::string& args) {
    DropPaths drop = parseDropPaths(args, workingFolderCp932());
    for (const std::string& note : drop.notes)
        window.note(note);
    if (drop.paths.empty()) {
        window.note("drop: no path to send");
        return;
    }
    dropFiles(program.services(), program, drop.paths);
}

}  // namespace qv::console
