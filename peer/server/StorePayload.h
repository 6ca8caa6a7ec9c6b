// Storing a complete, verified memory payload: a single file, or the small files of
// a Pack ("** PAK **"). Each file goes through the overwrite policy and is written
// with its times below the receive folder; what cannot be written gets a log line in
// the result and leaves whatever was stored before untouched.
//
// Threads: any thread that owns the receive folder's writes (the listener, or the Pack
// store beside it while the listener waits for it before its next store).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/FileTime.h"
#include "peer/server/ReceiveFolder.h"

namespace qv {

struct StoreResult {
    int skipped = 0;  // kept the file that was there (or no free "(n)" name)
    int failed = 0;   // could not be written
    // One line per failed file, the first kMaxErrorLines of them.
    std::string errorLines;
    int saved = 0;  // written, and their bytes
    std::int64_t savedBytes = 0;

    static constexpr int kMaxErrorLines = 20;
    void add(const StoreResult& other);
    // One file of `size` bytes written.
    static StoreResult savedFile(std::size_t size);
};

class ReplacementMarks;

// A file that could not be stored at `path`: one failure and its log line.
StoreResult storeFailure(ReceiveOutcome outcome, const std::string& path);

// One file under its prepared name. With `marks`, a file that an LST check marked
// "to be replaced" takes the old copy's place once it is written (ReplacementMarks.h).
StoreResult storeSingleFile(const ReceiveFolder& folder, std::string_view preparedName,
                            std::string_view data, const FileTimes& times, long overwriteMode,
                            ReplacementMarks* marks = nullptr);

// The records of a Pack payload, in order, up to the first one that is malformed or
// claims more bytes than remain. Record names are prepared here (below `ipFolder`
// when it is not empty); a record whose name names no file counts as failed.
StoreResult storePack(const ReceiveFolder& folder, std::string_view payload,
                      std::string_view ipFolder, long overwriteMode,
                      ReplacementMarks* marks = nullptr);

// The file times that a request's created and written fields give: the written time
// is both the last-write and the last-access time.
FileTimes receivedTimes(std::string_view created, std::string_view written);

}  // namespace qv
