// The desktop's side of the shell, sound and folder-chooser operations:
// - opening a file, folder or web address with its associated program;
// - the chat sounds (Qt Multimedia; a machine without a sound device stays silent; a
//   missing sound file gives the desktop's default sound);
// - GetOpenFolderName, the folder chooser on Qt's folder dialog, exported as a C
//   symbol so that it keeps its plain-C contract.
//
// Threads: window thread only (widgets and sound effects belong to it).
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>

class QSoundEffect;
class QWidget;

namespace qv::desktop {

// Hands `target` (cp932 path with "\" or "/", or a web address) to the desktop's
// associated program without waiting for it. False when the target has no
// file-system form or nothing could open it.
bool openWithDesktop(const std::string& target);

// Plays WAV files asynchronously; each file is loaded once and kept.
class SoundPlayer {
  public:
    // `fallback` is played for a file that is missing (null: the desktop's beep).
    explicit SoundPlayer(std::function<void()> fallback = nullptr);
    ~SoundPlayer();
    SoundPlayer(const SoundPlayer&) = delete;
    SoundPlayer& operator=(const SoundPlayer&) = delete;

    // Returns at once; a missing file plays the fallback sound.
    void play(const std::string& cp932Path);

  private:
    std::function<void()> fallback_;
    std::map<std::string, std::unique_ptr<QSoundEffect>> effects_;
};

}  // namespace qv::desktop

extern "C" {
// The folder chooser. `owner` is the QWidget that owns the dialog (may be null);
// `initialFolder` (cp932, may be empty or null) is selected at first; `prompt` (cp932,
// null: "フォルダを選択してください") is shown above the tree. On success the chosen
// path (cp932) is written into `out`, cut to `outSize` - 1 bytes and terminated, and
// the result is 1; cancel, a path without a cp932 form or an unusable buffer give 2.
int GetOpenFolderName(void* owner, const char* initialFolder, char* out, int outSize,
                      const char* prompt);
}
