// Feeds arbitrary bytes to the receiver's storing code as a Pack payload and as an LST
// list, in a temporary receive folder that holds a symbolic link pointing out of it.
// The first byte picks the overwrite mode and whether names go below an address
// folder. The copies an LST list marks outdated stay marked across inputs, so a later
// Pack replaces them. After every input the folder beside the receive folder (the
// link's target) must still be empty and nothing else may have appeared beside the
// receive folder: a received name that writes or deletes outside would abort the run.
#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

#include "peer/server/LstAnswer.h"
#include "peer/server/ReceiveFolder.h"
#include "peer/server/ReplacementMarks.h"
#include "peer/server/StorePayload.h"
#include "platform/Clock.h"

namespace {

namespace fs = std::filesystem;

// The work folder: base/recv (the receive folder, with recv/link -> base/outside).
class Sandbox {
  public:
    Sandbox() {
        char pattern[] = "/tmp/qv-pack-fuzz-XXXXXX";
        base_ = mkdtemp(pattern);
        reset();
    }
    // Starts over with an empty receive folder (it would otherwise fill up).
    void reset() {
        fs::remove_all(base_ / "recv");
        fs::create_directories(base_ / "recv");
        fs::create_directories(base_ / "outside");
        fs::create_directory_symlink(base_ / "outside", base_ / "recv" / "link");
    }
    std::string root() const { return (base_ / "recv").string() + "/"; }
    // True while nothing outside the receive folder was touched.
    bool intact() const {
        if (!fs::is_empty(base_ / "outside")) return false;
        int entries = 0;
        for (const auto& entry : fs::directory_iterator(base_)) {
            (void)entry;
            ++entries;
        }
        return entries == 2;
    }

  private:
    fs::path base_;
};

Sandbox& sandbox() {
    static Sandbox instance;
    return instance;
}

qv::ReplacementMarks& marks() {
    static qv::SystemClock clock;
    static qv::ReplacementMarks instance(clock);
    return instance;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    static int runs = 0;
    if (++runs % 500 == 0) sandbox().reset();
    qv::ReceiveFolder folder(sandbox().root());
    long mode = data[0] % 3;
    std::string_view ipFolder = (data[0] & 4) ? "10.0.0.1" : "";
    std::string_view payload(reinterpret_cast<const char*>(data) + 1, size - 1);
    if (data[0] & 8) {
        qv::answerLst(folder, payload, ipFolder, &marks());
    } else {
        qv::storePack(folder, payload, ipFolder, mode, &marks());
    }
    if (!sandbox().intact()) {
        std::fprintf(stderr, "a received name reached outside the receive folder\n");
        abort();
    }
    return 0;
}
