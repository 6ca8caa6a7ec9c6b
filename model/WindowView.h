// The window interface: what a front end (the Qt window, the console) provides to
// the core. The core never sees a widget; it keeps the window's state in
// WindowModel and hands changes to the view in the order they were made.
//
// Threads: every method is called on the window thread only. All texts are cp932;
// the front end converts them for display. No method may call back into the
// WindowModel that drives it, except readFields' output.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace qv {

class PublicFolderModel;

// The window's value fields, in the order of the dialog.
enum class Field {
    Peer,        // peer combo box text
    Buf,         // buffer-size edit
    Auto,        // auto-tune check box, "0" or "1"
    List,        // auto-tune list edit
    TcpCurrent,  // current TCP window size
    TcpNew,      // proposed TCP window size
    PortN,       // PortN indicator
    Published,   // counts of the own public list
    Chat,        // chat text edit
    History,     // drop-down list of the peer box, entries joined by "\r\n"
    TcpFigures,  // what TCP reported about the last sent stream (tcpFiguresText)
};
inline constexpr int kFieldCount = 11;

// Name of a field as the console prints it ("peer", "buf", ...).
const char* fieldName(Field field);
// True for the fields that the user edits and a read-back copies into the model.
bool isUserField(Field field);

enum class Pane { Upper, Lower };
enum class PaneOp { Replace, Append, Prepend };

// Message box styles and results, as the dialog framework numbers them.
inline constexpr int kStyleOk = 0;
inline constexpr int kStyleYesNo = 4;
inline constexpr int kStyleStopIcon = 16;
inline constexpr int kResultOk = 1;
inline constexpr int kResultCancel = 2;
inline constexpr int kResultYes = 6;
inline constexpr int kResultNo = 7;

// The caption of the program's own message boxes.
inline constexpr const char* kMessageCaption = "Quorvane";

using FieldValues = std::array<std::string, kFieldCount>;

// Files that arrived from one peer (peer/server/ArrivalSummary.h): the line the log
// already shows, and the figures for a desktop notification and the window's records.
struct ArrivalNotice {
    std::string line;    // without its line end
    std::string peer;    // the sender's address
    std::string folder;  // where the files were saved
    std::int64_t files = 0, bytes = 0;
    std::int64_t bytesPerSecond = 0;  // 0: not known
};

class WindowView {
  public:
    virtual ~WindowView() = default;

    // ---- controls ----
    virtual void showField(Field field, const std::string& value) = 0;
    // Copies the user-editable fields' current contents into `values` (only the
    // entries for which isUserField() is true are read).
    virtual void readFields(FieldValues& values) = 0;
    // `text` is what the operation adds (or the new whole text for Replace);
    // `whole` is the pane's whole text afterwards.
    virtual void showPane(Pane pane, PaneOp op, const std::string& text,
                          const std::string& whole) = 0;
    virtual void showTitle(const std::string& title) = 0;
    virtual void setStopEnabled(bool enabled) = 0;

    // ---- modal dialogs ----
    // Returns kResultOk, kResultYes or kResultNo.
    virtual int messageBox(const std::string& text, const std::string& caption, int style) = 0;
    // The small input dialog: true when OK was pressed; `value` then holds the text.
    virtual bool inputDialog(const std::string& caption, const std::string& explanation,
                             std::string& value) = 0;

    // The public folder dialog (modal) over `model`, in the model's mode: the view
    // shows the model's items and status, hands the user's commands to the model
    // (model.ok() on "ＯＫ") and returns when the dialog closes. A front end without
    // such a dialog leaves the model untouched.
    virtual void publicFolderDialog(PublicFolderModel& model) { (void)model; }
    // The folder chooser: the chosen folder's path (cp932), or "" when the user
    // cancelled or the choice has no file-system path.
    virtual std::string chooseFolder(const std::string& prompt) {
        (void)prompt;
        return {};
    }

    // ---- platform ----
    virtual void playSound(const std::string& path) = 0;
    // Opens a file, folder or web address with the desktop's associated program.
    virtual bool openWithShell(const std::string& target) = 0;
    // Files have arrived (their line is in the log already): a front end with desktop
    // notifications tells the user there too.
    virtual void notifyArrival(const ArrivalNotice& notice) { (void)notice; }

    // The program is ending with `exitCode` (close handling has run, or was skipped).
    virtual void endWindow(int exitCode) = 0;
};

}  // namespace qv
