#include "base/MemFile.h"

#include <algorithm>
#include <cstring>
#include <ctime>
#include <new>

#include "platform/Clock.h"
#include "platform/FileSystem.h"
#include "platform/TextCodec.h"

namespace qv {

// The bytes of a memory file, shared with its "dd" cursors. The allocation holds two
// spare bytes beyond the capacity, so a NUL always fits after the data.
struct MemFile::Storage {
    std::unique_ptr<char[]> bytes;
    std::size_t capacity = 0;
    std::size_t dataEnd = 0;
    std::string name;

    // Allocates `newCapacity` bytes (+2) and keeps the data. False when the memory
    // cannot be had; the storage is then unchanged.
    bool reallocate(std::size_t newCapacity) {
        std::unique_ptr<char[]> grown(new (std::nothrow) char[newCapacity + 2]);
        if (!grown) return false;
        if (dataEnd > 0) std::memcpy(grown.get(), bytes.get(), dataEnd);
        grown[dataEnd] = '\0';
        bytes = std::move(grown);
        capacity = newCapacity;
        return true;
    }
};

namespace {

constexpr std::size_t kMinBufferCapacity = 10000;
constexpr std::size_t kFileSlack = 1000;
constexpr std::size_t kTenfoldLimit = 8u << 20;
constexpr std::size_t kLargeStepLimit = 64u << 20;
const char* const kBufferName = "NON";

// The next capacity: tenfold while small, then doubling by at most kLargeStepLimit.
std::size_t grownCapacity(std::size_t capacity) {
    capacity = std::max<std::size_t>(capacity, 1);
    if (capacity < kTenfoldLimit) return capacity * 10;
    return capacity + std::min(capacity, kLargeStepLimit);
}

FileTimes nowTimes(Clock* clock) {
    std::time_t now = clock ? clock->nowSeconds() : std::time(nullptr);
    FileTime time = fileTimeFromUnix(now);
    return FileTimes{time, time, time};
}

// atol of the mode "mw"'s capacity text; what is not a positive number gives 0.
std::size_t capacityFromText(std::string_view text) {
    std::size_t pos = text.find_first_not_of(" \t");
    std::size_t value = 0;
    for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos) {
        value = value * 10 + static_cast<std::size_t>(text[pos] - '0');
        if (value > (std::size_t{1} << 40)) return 0;  // absurd: take the minimum
    }
    return value;
}

// `text` with every LF that does not follow a CR turned into CR LF. `previous` is the
// byte written just before the text.
std::string withCrLf(std::string_view text, char previous) {
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (char c : text) {
        if (c == '\n' && previous != '\r') out += '\r';
        out += c;
        previous = c;
    }
    return out;
}

}  // namespace

MemFile::MemFile(std::shared_ptr<Storage> storage, std::string mode, FileTimes times)
    : storage_(std::move(storage)), mode_(std::move(mode)), times_(times) {}

MemFile::~MemFile() = default;

std::unique_ptr<MemFile> MemFile::open(std::string_view pathOrText, std::string_view mode,
                                       MemFile* source, Clock* clock) {
    if (mode == "fr") return openFile(pathOrText);
    if (mode == "mr") return openText(pathOrText, clock);
    if (mode == "mw") return openBuffer(capacityFromText(pathOrText), clock);
    if (mode == "dd" && source) return openCursor(*source, clock);
    return nullptr;
}

std::unique_ptr<MemFile> MemFile::openFile(std::string_view path) {
    File file(path, File::Mode::Read);
    std::int64_t size = file ? file.size() : -1;
    if (size < 0) return nullptr;
    auto storage = std::make_shared<Storage>();
    if (!storage->reallocate(static_cast<std::size_t>(size) + kFileSlack)) return nullptr;
    std::int64_t got = file.read(storage->bytes.get(), static_cast<std::size_t>(size));
    if (got < 0) return nullptr;
    storage->dataEnd = static_cast<std::size_t>(got);
    storage->bytes[storage->dataEnd] = '\0';
    storage->name = std::string(path);
    FileTimes times = getFileTimes(path).value_or(FileTimes{});
    return std::unique_ptr<MemFile>(new MemFile(std::move(storage), "fr", times));
}

std::unique_ptr<MemFile> MemFile::openText(std::string_view text, Clock* clock) {
    auto storage = std::make_shared<Storage>();
    if (!storage->reallocate(text.size() + 1)) return nullptr;
    if (!text.empty()) std::memcpy(storage->bytes.get(), text.data(), text.size());
    storage->dataEnd = text.size();
    storage->bytes[text.size()] = '\0';
    storage->name = kBufferName;
    return std::unique_ptr<MemFile>(new MemFile(std::move(storage), "mr", nowTimes(clock)));
}

std::unique_ptr<MemFile> MemFile::openBuffer(std::size_t capacity, Clock* clock) {
    auto storage = std::make_shared<Storage>();
    if (!storage->reallocate(std::max(capacity, kMinBufferCapacity))) return nullptr;
    storage->name = kBufferName;
    return std::unique_ptr<MemFile>(new MemFile(std::move(storage), "mw", nowTimes(clock)));
}

std::unique_ptr<MemFile> MemFile::openCursor(MemFile& source, Clock* clock) {
    return std::unique_ptr<MemFile>(new MemFile(source.storage_, "dd", nowTimes(clock)));
}

void MemFile::seek(std::size_t position) {
    cursor_ = std::min(position, storage_->dataEnd);
}

bool MemFile::readLine(std::string& line, bool strip, const LinePump& beforeLine,
                       std::size_t maxBytes) {
    if (beforeLine) beforeLine();
    const char* bytes = storage_->bytes.get();
    const std::size_t end = storage_->dataEnd;
    if (cursor_ >= end || bytes[cursor_] == '\0') return false;
    const std::size_t take = std::max<std::size_t>(maxBytes, 1);
    const std::size_t limit = end - cursor_ > take ? cursor_ + take : end;
    std::size_t pos = cursor_;
    while (pos < limit && bytes[pos] != '\r' && bytes[pos] != '\n' && bytes[pos] != '\0')
        ++pos;
    line.assign(bytes + cursor_, pos - cursor_);
    if (pos < end && (bytes[pos] == '\r' || bytes[pos] == '\n')) {
        bool crLf = bytes[pos] == '\r' && pos + 1 < end && bytes[pos + 1] == '\n';
        pos += crLf ? 2 : 1;
        if (!strip) line += '\n';
    }
    cursor_ = pos;
    return true;
}

bool MemFile::writable() const {
    return mode_ != "dd";
}

bool MemFile::makeRoomFor(std::size_t end) {
    if (end <= storage_->capacity) return true;
    std::size_t capacity = storage_->capacity;
    while (capacity < end)
        capacity = grownCapacity(capacity);
    return storage_->reallocate(capacity);
}

bool MemFile::place(std::string_view bytes, bool withNul) {
    if (!writable() || !makeRoomFor(cursor_ + bytes.size())) return false;
    if (mode_ == "mr") mode_ = "mw";
    Storage& s = *storage_;
    if (!bytes.empty()) std::memcpy(s.bytes.get() + cursor_, bytes.data(), bytes.size());
    cursor_ += bytes.size();
    if (withNul) s.bytes[cursor_] = '\0';
    s.dataEnd = std::max(s.dataEnd, cursor_);
    return true;
}

bool MemFile::writeText(std::string_view text) {
    if (!writable()) return false;
    char previous = cursor_ > 0 ? storage_->bytes[cursor_ - 1] : '\0';
    return place(withCrLf(text, previous), true);
}

bool MemFile::writeBytes(std::string_view bytes) {
    return place(bytes, false);
}

bool MemFile::writeToFile(std::string_view path, int flags) const {
    std::string_view all = data();
    if (!(flags & (kSaveAppendTail | kSaveAppendAll))) return writeWholeFile(path, all);
    File file(path, File::Mode::ReadWrite);
    std::int64_t length = file ? file.seekToEnd() : -1;
    if (length < 0) return false;
    if (!(flags & kSaveAppendTail)) return file.write(all);
    if (static_cast<std::uint64_t>(length) >= all.size()) return true;
    return file.write(all.substr(static_cast<std::size_t>(length)));
}

MemFile::SaveResult MemFile::save(std::string_view path, int flags) {
    if (!(flags & kSaveForce)) {
        auto onDisk = getFileTimes(path);
        if (onDisk && onDisk->written == times_.written) return SaveResult::Unchanged;
    }
    if (!writeToFile(path, flags)) return SaveResult::Failed;
    setFileTimes(path, times_);
    return SaveResult::Written;
}

std::string_view MemFile::data() const {
    return std::string_view(storage_->bytes.get(), storage_->dataEnd);
}

std::size_t MemFile::size() const {
    return storage_->dataEnd;
}

std::size_t MemFile::capacity() const {
    return storage_->capacity;
}

const std::string& MemFile::name() const {
    return storage_->name;
}

}  // namespace qv
