// The public folder dialog without its widgets: one model that the desktop dialog
// and the console both drive.
//
// Mode 0 (OwnFolders, "自分の公開フォルダ") edits the folders this PC publishes; mode 1
// (ReceivedList, "相手の公開リスト") shows the public list received from the peer and
// lets the user register files for download ("DL登録"). The model is bound to the list
// of its mode, which its caller owns: opening reads it, ok() writes it back, and
// closing without ok() leaves it alone, except that a folder added in mode 0 is
// appended to it at once.
//
// The view shows items() in order with the columns of columns(mode); the selection
// is the view's and is handed to the commands as item indexes (indexes outside the
// list and repeated indexes are ignored). After every command the view shows
// items() and statusText() again; after searchRegister() it scrolls to the first item.
//
// Threads: window thread only (the dialog is modal). The model keeps references to
// the caller's list and sort state; both must outlive it.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace qv {

enum class PublicFolderMode { OwnFolders = 0, ReceivedList = 1 };

// The sort state of the list, kept by the caller between openings of the dialog.
struct PublicFolderSortState {
    int lastColumn = -1;  // -1: nothing sorted yet
    int direction = 0;    // 0 ascending, 1 descending
};

enum class ColumnAlign { Left, Right };

struct PublicFolderColumn {
    std::string heading;
    int width;  // pixels
    ColumnAlign align;
};

// The controls of the dialog besides the list and the status text.
enum class PublicFolderControl {
    AddFolder,       // 1011
    Register,        // 1014
    Unregister,      // 1015 (mode 0: remove)
    RegisterAll,     // 1016
    UnregisterAll,   // 1017
    SearchText,      // 1022, the search edit
    SearchRegister,  // 1012, the default button
    Ok,              // 1013
};

// One row of the list: its column texts.
struct PublicFolderItem {
    std::vector<std::string> cells;
};

class PublicFolderModel {
  public:
    // Column numbers of mode 1.
    static constexpr int kNameColumn = 0;
    static constexpr int kMarkColumn = 1;
    static constexpr int kSizeColumn = 2;
    // Sort keys keep at most this many bytes of their column's text.
    static constexpr std::size_t kSortKeyLimit = 500;

    // Opens the dialog on `list`: the published folders (mode 0, one path per entry)
    // or the received public list (mode 1, "name\tsize" per entry, read up to the
    // first empty entry). The items are sorted by column 0 as a header click would.
    PublicFolderModel(PublicFolderMode mode, std::vector<std::string>& list,
                      PublicFolderSortState& sortState);

    PublicFolderMode mode() const { return mode_; }
    const std::vector<PublicFolderItem>& items() const { return items_; }
    const std::string& statusText() const { return status_; }

    // ---- the dialog's fixed texts and layout ----
    static std::vector<PublicFolderColumn> columns(PublicFolderMode mode);
    static const std::string& title(PublicFolderMode mode);
    static const std::string& hintText();  // the static above the list
    static bool controlShown(PublicFolderMode mode, PublicFolderControl control);
    static const std::string& controlText(PublicFolderMode mode, PublicFolderControl control);
    // The items of the list's right-click menu.
    static std::vector<std::string> popupMenu(PublicFolderMode mode);
    // The prompt of the folder chooser that addFolder's caller shows.
    static const std::string& folderChooserPrompt();

    // ---- commands (each does nothing outside its mode) ----
    // Mode 0, "公開フォルダ追加": appends the folder that the chooser gave, to the own
    // folder list at once and as an item. An empty path (chooser cancelled) adds
    // nothing.
    void addFolder(const std::string& chosenPath);
    // Mode 0, "選択除外" and its menu item: removes the selected items.
    void removeSelected(const std::vector<int>& selected);
    // Mode 1, "選択\r\n登録" / "選択\r\n解除" and their menu items.
    void registerSelected(const std::vector<int>& selected);
    void unregisterSelected(const std::vector<int>& selected);
    // Mode 1, "全登録" / "全解除".
    void registerAll();
    void unregisterAll();
    // Mode 1, double click in the list: toggles the mark of the selected items.
    void toggleSelected(const std::vector<int>& selected);
    // Mode 1, "検索\r\n登録": registers every item whose folded name contains the folded
    // search text, then sorts the registered items to the top.
    void searchRegister(const std::string& searchText);
    // Both modes, a click on the header of `column`.
    void sortByColumn(int column);
    // "ＯＫ": writes the items back into the list of the mode. Closing without it
    // needs no call.
    void ok();

  private:
    void openOwnFolders();
    void openReceivedList();
    // The valid selected indexes, distinct, from the last to the first.
    std::vector<int> lastToFirst(const std::vector<int>& selected) const;
    void markSelected(const std::vector<int>& selected, bool registered, const char* status);
    void markAll(bool registered, const char* status);

    PublicFolderMode mode_;
    std::vector<std::string>& list_;
    PublicFolderSortState& sort_;
    std::vector<PublicFolderItem> items_;
    std::string status_;
};

// The size column's text: the number with "," between groups of three digits.
std::string groupedSize(long long size);

}  // namespace qv
