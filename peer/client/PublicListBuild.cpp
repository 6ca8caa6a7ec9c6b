#include "peer/client/PublicListBuild.h"

#include "base/EnvironmentTable.h"
#include "base/Format.h"
#include "base/ListTree.h"
#include "base/TextList.h"
#include "model/PublicListState.h"
#include "model/WindowModel.h"
#include "platform/FileSystem.h"
#include "platform/TextCodec.h"
#include "services/Services.h"

namespace qv {
namespace {

// Fields of a details line.
constexpr int kRootField = 0;
constexpr int kFoldersField = 1;
constexpr int kNameField = 2;
constexpr int kExtensionField = 3;
constexpr int kSizeField = 4;
constexpr int kDetailsFields = 7;

// A name with a tab or a line end would add fields or lines to the public list, where
// it would describe a different file; such a file is not published.
bool lineFormatCarries(const TextList& fields) {
    if (fields.count() != kDetailsFields) return false;
    for (int field : {kFoldersField, kNameField, kExtensionField}) {
        if (fields[field].find_first_of("\r\n") != std::string_view::npos) return false;
    }
    return true;
}

void addFolderFiles(const std::string& folder, PublishedFiles& files) {
    TextList lines;
    listTree(folder, "", lines, kListTreeFiles | kListTreeInfo, 0, &files.unlisted);
    for (int i = 0; i < lines.count(); ++i) {
        TextList fields(lines[i], "\t");
        if (!lineFormatCarries(fields) || !liesInside(fullPathOf(lines[i]), folder)) continue;
        files.details.emplace_back(lines[i]);
        files.folders.push_back(folder);
        files.lines.push_back(std::string(fields[kNameField]) +
                              std::string(fields[kExtensionField]) + "\t" +
                              std::string(fields[kSizeField]));
    }
}

}  // namespace

std::string ownFolderListPath(const Services& services) {
    return services.environment.value(EnvironmentTable::kProgramFolder) + "sendlist.txt";
}

std::vector<std::string> loadOwnFolders(std::string_view path) {
    TextList lines;
    lines.loadLines(path, true);
    std::vector<std::string> folders;
    for (int i = 0; i < lines.count(); ++i) {
        if (!lines[i].empty()) folders.emplace_back(lines[i]);
    }
    return folders;
}

bool saveOwnFolders(std::string_view path, const std::vector<std::string>& folders) {
    TextList lines;
    for (const std::string& folder : folders)
        lines.add(folder);
    return lines.writeLines(path, true);
}

PublishedFiles collectPublishedFiles(const std::vector<std::string>& folders) {
    PublishedFiles files;
    for (const std::string& folder : folders)
        addFolderFiles(folder, files);
    return files;
}

std::string fullPathOf(std::string_view detailsLine) {
    TextList fields(detailsLine, "\t");
    return std::string(fields[kRootField]) + std::string(fields[kFoldersField]) +
           std::string(fields[kNameField]) + std::string(fields[kExtensionField]);
}

bool liesInside(std::string_view path, std::string_view folder) {
    std::optional<std::string> real = realPath(path);
    std::optional<std::string> base = realPath(folder);
    if (!real || !base) return false;
    if (*real == *base) return true;
    if (base->empty() || base->back() != '/') base->push_back('/');
    return real->starts_with(*base);
}

PickFinder::PickFinder(const PublishedFiles& files) : files_(files) {
    for (std::size_t i = files.lines.size(); i-- > 0;)
        firstOfLine_[files.lines[i]] = i;
}

long PickFinder::lineOf(std::string_view pick) {
    if (auto it = firstOfLine_.find(pick); it != firstOfLine_.end())
        return static_cast<long>(it->second);
    if (prefixSearchesLeft_ <= 0) return -1;
    --prefixSearchesLeft_;
    for (std::size_t i = 0; i < files_.lines.size(); ++i) {
        if (files_.lines[i].starts_with(pick)) return static_cast<long>(i);
    }
    return -1;
}

std::string PickFinder::pathFor(std::string_view pick) {
    if (pick.size() < kShortestPick) return {};
    long line = lineOf(pick);
    if (line < 0) return {};
    const auto i = static_cast<std::size_t>(line);
    if (i >= files_.details.size() || i >= files_.folders.size()) return {};
    std::string path = fullPathOf(files_.details[i]);
    return liesInside(path, files_.folders[i]) ? path : "";
}

std::string publishedCounter(std::size_t folders, std::size_t files) {
    return strprintf("D:%d,F:%d", static_cast<int>(folders), static_cast<int>(files));
}

std::string publishedBanner(std::size_t files) {
    return formatText(J("■■■■■■■■■■■■■■■■■■■■■■■■■■\r\n"
                        "■■■■■[%4d]個のファイルが公開状態です■■■■■\r\n"
                        "■■■■■■■■■■■■■■■■■■■■■■■■■■\r\n"),
                      static_cast<int>(files));
}

void buildPublicList(Services& services) {
    WindowModel& window = services.window;
    window.readBack();
    PublicListState& state = services.publicLists;
    state.ownFolders() = loadOwnFolders(ownFolderListPath(services));
    PublishedFiles files = collectPublishedFiles(state.ownFolders());
    const std::size_t fileCount = files.lines.size();
    window.setField(Field::Published, publishedCounter(state.ownFolders().size(), fileCount));
    for (const std::string& path : files.unlisted) {
        window.prependPane(
            Pane::Lower,
            formatText(J("【公開できません】名前をShift-JISで表せません: %s\r\n"), path.c_str()));
    }
    state.setPublished(std::move(files));
    if (fileCount > 0) window.prependPane(Pane::Lower, publishedBanner(fileCount));
    window.refresh();
}

}  // namespace qv
