// A window view for tests: records what the core shows and answers dialogs from a
// script. Window thread only, like every view.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "model/PublicFolderModel.h"
#include "model/WindowView.h"

namespace qv::test {

class RecordingView : public WindowView {
  public:
    struct PaneEvent {
        Pane pane;
        PaneOp op;
        std::string text;
    };
    struct Message {
        std::string text, caption;
        int style;
    };

    FieldValues shown;  // the last value shown per field
    FieldValues typed;  // what readFields reports for the user fields
    std::vector<PaneEvent> panes;
    std::vector<std::string> titles;
    std::vector<Message> messages;
    std::vector<std::string> inputCaptions;
    std::vector<std::string> inputOffered;  // the value each input dialog showed first
    std::deque<int> messageAnswers;         // answers for Yes/No boxes (default No)
    std::deque<std::string> inputAnswers;   // values for input dialogs (none: cancel)
    // The public folder dialog: one script per opening drives the model (calling
    // model.ok() for "ＯＫ"); with none left the dialog closes without OK.
    std::deque<std::function<void(PublicFolderModel&)>> folderDialogScripts;
    std::vector<PublicFolderMode> folderDialogModes;  // one per opening
    std::deque<std::string> chosenFolders;            // folder chooser answers (none: cancel)
    std::vector<std::string> sounds;
    std::vector<std::string> opened;
    std::vector<ArrivalNotice> arrivals;
    int endedWith = -1;

    void showField(Field field, const std::string& value) override {
        shown[static_cast<int>(field)] = value;
        typed[static_cast<int>(field)] = value;
    }
    void readFields(FieldValues& values) override {
        for (int i = 0; i < kFieldCount; ++i) {
            if (isUserField(static_cast<Field>(i))) values[i] = typed[i];
        }
    }
    void showPane(Pane pane, PaneOp op, const std::string& text, const std::string&) override {
        panes.push_back({pane, op, text});
    }
    void showTitle(const std::string& title) override { titles.push_back(title); }
    void setStopEnabled(bool) override {}
    int messageBox(const std::string& text, const std::string& caption, int style) override {
        messages.push_back({text, caption, style});
        if ((style & 0xF) != kStyleYesNo) return kResultOk;
        if (messageAnswers.empty()) return kResultNo;
        int answer = messageAnswers.front();
        messageAnswers.pop_front();
        return answer;
    }
    bool inputDialog(const std::string& caption, const std::string&, std::string& value) override {
        inputCaptions.push_back(caption);
        inputOffered.push_back(value);
        if (inputAnswers.empty()) return false;
        value = inputAnswers.front();
        inputAnswers.pop_front();
        return true;
    }
    void publicFolderDialog(PublicFolderModel& model) override {
        folderDialogModes.push_back(model.mode());
        if (folderDialogScripts.empty()) return;
        auto script = std::move(folderDialogScripts.front());
        folderDialogScripts.pop_front();
        script(model);
    }
    std::string chooseFolder(const std::string&) override {
        if (chosenFolders.empty()) return {};
        std::string folder = chosenFolders.front();
        chosenFolders.pop_front();
        return folder;
    }
    void playSound(const std::string& path) override { sounds.push_back(path); }
    bool openWithShell(const std::string& target) override {
        opened.push_back(target);
        return true;
    }
    void notifyArrival(const ArrivalNotice& notice) override { arrivals.push_back(notice); }
    void endWindow(int exitCode) override { endedWith = exitCode; }

    // Every text shown in `pane`, joined.
    std::string paneLog(Pane pane) const {
        std::string all;
        for (const PaneEvent& event : panes) {
            if (event.pane == pane) all += event.text;
        }
        return all;
    }
};

}  // namespace qv::test
