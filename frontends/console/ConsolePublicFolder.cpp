#include "frontends/console/ConsolePublicFolder.h"

#include <algorithm>
#include <sstream>
#include <vector>

#include "base/TextUtil.h"
#include "platform/FileSystem.h"
#include "platform/TextCodec.h"

namespace qv::console {
namespace {

std::string joinedCells(const PublicFolderItem& item) {
    std::string line;
    for (std::size_t i = 0; i < item.cells.size(); ++i)
        line += (i == 0 ? "" : " | ") + cp932ToUtf8Lossy(item.cells[i]);
    return line;
}

void printItems(ConsoleOutput& out, const PublicFolderModel& model) {
    const std::vector<PublicFolderItem>& items = model.items();
    out.note("items: " + std::to_string(items.size()));
    for (std::size_t i = 0; i < items.size(); ++i)
        out.note(std::to_string(i + 1) + ": " + joinedCells(items[i]));
    if (!model.statusText().empty()) out.note("status: " + out.shownText(model.statusText()));
}

void printHeading(ConsoleOutput& out, const PublicFolderModel& model) {
    std::string columns;
    for (const PublicFolderColumn& column : PublicFolderModel::columns(model.mode()))
        columns += (columns.empty() ? "" : " | ") + out.shown(column.heading);
    out.note("dialog: " + out.shown(PublicFolderModel::title(model.mode())));
    out.note("columns: " + columns);
}

// The item numbers of the arguments as indexes; numbers that are not numbers become
// -1, which the model ignores like any index outside the list.
std::vector<int> selectionOf(const std::string& args) {
    std::vector<int> selected;
    std::istringstream words(args);
    for (std::string word; words >> word;) {
        std::int64_t number = parseLong(word);
        selected.push_back(number >= 1 && number <= 1000000 ? static_cast<int>(number - 1) : -1);
    }
    return selected;
}

// The search text in cp932; nothing (with a note) when it has no Shift-JIS form.
std::optional<std::string> cp932Of(ConsoleOutput& out, const std::string& utf8) {
    std::optional<std::string> text = utf8ToCp932(utf8);
    if (!text) out.note("ignored: the text has characters without a Shift-JIS form");
    return text;
}

class DialogSession {
  public:
    DialogSession(ConsoleOutput& out, PublicFolderModel& model, const ChooseFolder& chooseFolder)
        : out_(out), model_(model), chooseFolder_(chooseFolder) {}

    // Runs one command line; false when the dialog closes.
    bool run(const std::string& line) {
        std::size_t space = line.find(' ');
        std::string word = line.substr(0, space);
        std::string args = space == std::string::npos ? "" : line.substr(space + 1);
        if (word == "ok") model_.ok();
        if (word == "ok" || word == "close") return false;
        // A script's pause means nothing inside the dialog, which waits for its lines.
        if (word == "wait") return true;
        if (word == "list" || runChange(word, args)) {
            printItems(out_, model_);
        } else if (!word.empty()) {
            out_.note("unknown dialog command: " + word);
        }
        return true;
    }

  private:
    bool ownFolders() const { return model_.mode() == PublicFolderMode::OwnFolders; }

    // The commands that change the items; false for an unknown word.
    bool runChange(const std::string& word, const std::string& args) {
        if (word == "sel" && ownFolders()) {
            model_.removeSelected(selectionOf(args));
        } else if (word == "sel") {
            model_.registerSelected(selectionOf(args));
        } else if (word == "unsel" && ownFolders()) {
            model_.removeSelected(selectionOf(args));
        } else if (word == "unsel") {
            model_.unregisterSelected(selectionOf(args));
        } else if (word == "toggle") {
            model_.toggleSelected(selectionOf(args));
        } else if (word == "all" || word == "none") {
            word == "all" ? model_.registerAll() : model_.unregisterAll();
        } else if (word == "search") {
            if (std::optional<std::string> text = cp932Of(out_, args)) model_.searchRegister(*text);
        } else if (word == "sort") {
            model_.sortByColumn(static_cast<int>(std::clamp<std::int64_t>(parseLong(args), 0, 99)) -
                                1);
        } else if (word == "add") {
            if (ownFolders()) addFolder(args);
        } else {
            return false;
        }
        return true;
    }

    void addFolder(const std::string& args) {
        if (args.empty()) {
            model_.addFolder(chooseFolder_(PublicFolderModel::folderChooserPrompt()));
        } else {
            model_.addFolder(folderOfLine(out_, args));
        }
    }

    ConsoleOutput& out_;
    PublicFolderModel& model_;
    const ChooseFolder& chooseFolder_;
};

}  // namespace

void runConsoleFolderDialog(ConsoleOutput& out, PublicFolderModel& model, const TakeLine& takeLine,
                            const ChooseFolder& chooseFolder) {
    printHeading(out, model);
    printItems(out, model);
    out.note("dialog commands: sel unsel toggle all none search sort add list ok close");
    DialogSession session(out, model, chooseFolder);
    while (std::optional<std::string> line = takeLine()) {
        if (!session.run(*line)) break;
    }
    out.note("dialog closed");
}

std::string folderOfLine(ConsoleOutput& out, const std::string& utf8Line) {
    if (utf8Line.empty()) return {};
    std::optional<std::string> path = utf8ToCp932(utf8Line);
    std::optional<std::string> real = path ? realPath(*path) : std::nullopt;
    if (!real || isDirectory(*real) != 1) {
        out.note("not a folder: " + utf8Line);
        return {};
    }
    return *real;
}

}  // namespace qv::console
