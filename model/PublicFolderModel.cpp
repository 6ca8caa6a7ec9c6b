#include "model/PublicFolderModel.h"

#include <algorithm>
#include <cstdint>
#include <functional>

#include "base/Cp932.h"
#include "base/Format.h"
#include "base/TextUtil.h"
#include "model/SearchFolding.h"
#include "platform/TextCodec.h"

namespace qv {
namespace {

const std::string& registeredMark() {
    return J("○");
}

bool isRegistered(const PublicFolderItem& item) {
    return item.cells.size() > PublicFolderModel::kMarkColumn &&
           item.cells[PublicFolderModel::kMarkColumn] == registeredMark();
}

void setMark(PublicFolderItem& item, bool registered) {
    item.cells[PublicFolderModel::kMarkColumn] = registered ? registeredMark() : std::string();
}

std::string withoutSeparators(const std::string& text) {
    std::string digits;
    for (char c : text) {
        if (c != ',') digits.push_back(c);
    }
    return digits;
}

// The keys are worked out as the items are compared, so that a long list keeps no
// second copy of a column. A text column sorts by its first kSortKeyLimit bytes.
std::string_view textSortKey(const std::string& text) {
    if (text.size() <= PublicFolderModel::kSortKeyLimit) return text;
    return std::string_view(text).substr(0,
                                         safePrefixLength(text, PublicFolderModel::kSortKeyLimit));
}

// Sizes sort as their values written "%020lld" would compare: the negative ones first,
// by their digits, then the others by value.
std::uint64_t sizeSortKey(const std::string& sizeText) {
    long long value = static_cast<long long>(parseLong(withoutSeparators(sizeText)));
    if (value < 0) return static_cast<std::uint64_t>(-(value + 1));
    return (std::uint64_t{1} << 63) + static_cast<std::uint64_t>(value);
}

// A stable sort by `keyOf(item)`; keys compare as unsigned bytes or numbers.
template <typename KeyOf>
void sortItemsBy(std::vector<PublicFolderItem>& items, KeyOf keyOf, bool descending) {
    if (descending) {
        std::stable_sort(items.begin(), items.end(),
                         [&](const auto& a, const auto& b) { return keyOf(b) < keyOf(a); });
    } else {
        std::stable_sort(items.begin(), items.end(),
                         [&](const auto& a, const auto& b) { return keyOf(a) < keyOf(b); });
    }
}

// The field at the start of `rest`, which then holds what follows its end: a tab,
// "\r\n" or "\r" outside a two-byte character, or the end of the line.
std::string_view nextReceivedField(std::string_view& rest) {
    for (std::size_t pos = 0; pos < rest.size(); pos += charLength(rest, pos)) {
        if (rest[pos] != '\t' && rest[pos] != '\r') continue;
        std::string_view field = rest.substr(0, pos);
        bool crlf = rest[pos] == '\r' && pos + 1 < rest.size() && rest[pos + 1] == '\n';
        rest.remove_prefix(pos + (crlf ? 2 : 1));
        return field;
    }
    std::string_view field = rest;
    rest = {};
    return field;
}

int columnCount(PublicFolderMode mode) {
    return mode == PublicFolderMode::OwnFolders ? 1 : 3;
}

}  // namespace

std::string groupedSize(long long size) {
    std::string digits = strprintf("%lld", size);
    std::size_t first = digits[0] == '-' ? 1 : 0;
    std::string grouped = digits.substr(0, first);
    for (std::size_t pos = first; pos < digits.size(); ++pos) {
        if (pos > first && (digits.size() - pos) % 3 == 0) grouped.push_back(',');
        grouped.push_back(digits[pos]);
    }
    return grouped;
}

PublicFolderModel::PublicFolderModel(PublicFolderMode mode, std::vector<std::string>& list,
                                     PublicFolderSortState& sortState)
    : mode_(mode), list_(list), sort_(sortState) {
    if (mode_ == PublicFolderMode::OwnFolders) {
        openOwnFolders();
    } else {
        openReceivedList();
    }
    sortByColumn(0);
}

void PublicFolderModel::openOwnFolders() {
    for (const std::string& folder : list_)
        items_.push_back({{folder}});
}

void PublicFolderModel::openReceivedList() {
    items_.reserve(list_.size());
    for (const std::string& line : list_) {
        if (line.empty()) break;
        std::string_view rest = std::string_view(line).substr(0, line.find('\0'));
        std::string_view name = nextReceivedField(rest);
        std::string size = groupedSize(static_cast<long long>(parseLong(nextReceivedField(rest))));
        items_.push_back({{std::string(name), std::string(), size}});
    }
}

// ---- fixed texts ----

std::vector<PublicFolderColumn> PublicFolderModel::columns(PublicFolderMode mode) {
    if (mode == PublicFolderMode::OwnFolders)
        return {{J("公開フォルダ名"), 300, ColumnAlign::Left}};
    return {{J("File名"), 500, ColumnAlign::Left},
            {J("DL登録"), 50, ColumnAlign::Left},
            {J("FileSize"), 80, ColumnAlign::Right}};
}

const std::string& PublicFolderModel::title(PublicFolderMode mode) {
    return mode == PublicFolderMode::OwnFolders ? J("自分の公開フォルダ") : J("相手の公開リスト");
}

const std::string& PublicFolderModel::hintText() {
    return J("ﾘｽﾄの右ｸﾘｯｸで各種ﾒﾆｭｰ");
}

bool PublicFolderModel::controlShown(PublicFolderMode mode, PublicFolderControl control) {
    switch (control) {
        case PublicFolderControl::AddFolder:
            return mode == PublicFolderMode::OwnFolders;
        case PublicFolderControl::Unregister:
        case PublicFolderControl::Ok:
            return true;
        default:
            return mode == PublicFolderMode::ReceivedList;
    }
}

const std::string& PublicFolderModel::controlText(PublicFolderMode mode,
                                                  PublicFolderControl control) {
    static const std::string kNoText;
    bool own = mode == PublicFolderMode::OwnFolders;
    switch (control) {
        case PublicFolderControl::AddFolder:
            return own ? J("公開フォルダ追加") : J("送信フォルダ追加");
        case PublicFolderControl::Register:
            return J("選択\r\n登録");
        case PublicFolderControl::Unregister:
            return own ? J("選択除外") : J("選択\r\n解除");
        case PublicFolderControl::RegisterAll:
            return J("全登録");
        case PublicFolderControl::UnregisterAll:
            return J("全解除");
        case PublicFolderControl::SearchRegister:
            return J("検索\r\n登録");
        case PublicFolderControl::Ok:
            return J("ＯＫ");
        case PublicFolderControl::SearchText:
            break;
    }
    return kNoText;
}

std::vector<std::string> PublicFolderModel::popupMenu(PublicFolderMode mode) {
    if (mode == PublicFolderMode::OwnFolders) return {J("送信フォルダより公開除外")};
    return {J("ＤＬ選択登録"), J("ＤＬ選択解除")};
}

const std::string& PublicFolderModel::folderChooserPrompt() {
    return J("フォルダを選択してください");
}

// ---- commands ----

std::vector<int> PublicFolderModel::lastToFirst(const std::vector<int>& selected) const {
    std::vector<int> indexes;
    for (int index : selected) {
        if (index >= 0 && index < static_cast<int>(items_.size())) indexes.push_back(index);
    }
    std::sort(indexes.begin(), indexes.end(), std::greater<int>());
    indexes.erase(std::unique(indexes.begin(), indexes.end()), indexes.end());
    return indexes;
}

void PublicFolderModel::addFolder(const std::string& chosenPath) {
    if (mode_ != PublicFolderMode::OwnFolders || chosenPath.empty()) return;
    // The own list takes the folder at once: closing without OK keeps it.
    list_.push_back(chosenPath);
    items_.push_back({{chosenPath}});
    status_ = J("１件追加しました");
}

void PublicFolderModel::removeSelected(const std::vector<int>& selected) {
    if (mode_ != PublicFolderMode::OwnFolders) return;
    std::vector<int> indexes = lastToFirst(selected);
    for (int index : indexes)
        items_.erase(items_.begin() + index);
    status_ = formatText(J(" %d件を\r\n公開除外しました"), static_cast<int>(indexes.size()));
}

void PublicFolderModel::markSelected(const std::vector<int>& selected, bool registered,
                                     const char* status) {
    if (mode_ != PublicFolderMode::ReceivedList) return;
    std::vector<int> indexes = lastToFirst(selected);
    for (int index : indexes)
        setMark(items_[index], registered);
    status_ = formatText(J(status), static_cast<int>(indexes.size()));
}

void PublicFolderModel::registerSelected(const std::vector<int>& selected) {
    markSelected(selected, true, " %d件を\r\nＤＬ登録しました");
}

void PublicFolderModel::unregisterSelected(const std::vector<int>& selected) {
    markSelected(selected, false, " %d件を\r\nＤＬ解除しました");
}

void PublicFolderModel::markAll(bool registered, const char* status) {
    if (mode_ != PublicFolderMode::ReceivedList) return;
    for (PublicFolderItem& item : items_)
        setMark(item, registered);
    status_ = J(status);
}

void PublicFolderModel::registerAll() {
    markAll(true, " すべて\r\nＤＬ登録しました");
}

void PublicFolderModel::unregisterAll() {
    markAll(false, " すべて\r\nＤＬ解除しました");
}

void PublicFolderModel::toggleSelected(const std::vector<int>& selected) {
    if (mode_ != PublicFolderMode::ReceivedList) return;
    std::vector<int> indexes = lastToFirst(selected);
    for (int index : indexes)
        setMark(items_[index], !isRegistered(items_[index]));
    status_ = formatText(J(" %d件を\r\n登録変更しました"), static_cast<int>(indexes.size()));
}

void PublicFolderModel::searchRegister(const std::string& searchText) {
    if (mode_ != PublicFolderMode::ReceivedList) return;
    if (foldForSearch(searchText).empty()) {
        status_ = J("検索文字列を\r\n入力してください");
        return;
    }
    int hits = 0;
    for (PublicFolderItem& item : items_) {
        if (!searchMatches(item.cells[kNameColumn], searchText)) continue;
        setMark(item, true);
        ++hits;
    }
    // The mark column "sorted ascending" makes this sort descending: marked items first.
    sort_ = {kMarkColumn, 0};
    sortByColumn(kMarkColumn);
    status_ = formatText(J("%d中 %d件\r\nヒットしました"), static_cast<int>(items_.size()), hits);
}

void PublicFolderModel::sortByColumn(int column) {
    if (column < 0 || column >= columnCount(mode_)) return;
    bool descending = column == sort_.lastColumn && sort_.direction == 0;
    if (mode_ == PublicFolderMode::ReceivedList && column == kSizeColumn) {
        sortItemsBy(
            items_,
            [](const PublicFolderItem& item) { return sizeSortKey(item.cells[kSizeColumn]); },
            descending);
    } else {
        sortItemsBy(
            items_,
            [column](const PublicFolderItem& item) { return textSortKey(item.cells[column]); },
            descending);
    }
    sort_.direction = descending ? 1 : 0;
    sort_.lastColumn = column;
}

void PublicFolderModel::ok() {
    list_.clear();
    for (const PublicFolderItem& item : items_) {
        if (mode_ == PublicFolderMode::OwnFolders) {
            list_.push_back(item.cells[0]);
        } else if (isRegistered(item)) {
            list_.push_back(item.cells[kNameColumn] + "\t" +
                            withoutSeparators(item.cells[kSizeColumn]));
        }
    }
}

}  // namespace qv
