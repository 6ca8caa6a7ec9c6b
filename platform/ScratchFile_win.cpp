// The Windows side of ScratchFile.h: a hidden temporary file of the folder, opened
// delete-on-close, written through its handle and mapped with a file mapping.
#include <windows.h>

#include <algorithm>
#include <random>

#include "platform/ScratchFile.h"
#include "platform/WideText.h"

namespace qv {
namespace {

constexpr DWORD kMaxChunk = 1u << 30;

HANDLE handleOf(std::intptr_t value) {
    return reinterpret_cast<HANDLE>(value);
}

std::wstring randomLetters() {
    static constexpr wchar_t kLetters[] = L"0123456789abcdefghijklmnopqrstuvwxyz";
    thread_local std::mt19937_64 generator{std::random_device{}() ^ GetTickCount64() ^
                                           GetCurrentProcessId()};
    std::uniform_int_distribution<std::size_t> pick(0, 35);
    std::wstring letters;
    for (int i = 0; i < 6; ++i)
        letters += kLetters[pick(generator)];
    return letters;
}

}  // namespace

ScratchFile::~ScratchFile() {
    unmap();
    if (isOpen()) CloseHandle(handleOf(handle_));
}

bool ScratchFile::open(const std::string& folder) {
    if (isOpen()) return false;
    std::string base = folder;
    if (!base.empty() && base.back() != '/' && base.back() != '\\') base += '/';
    auto wideFolder = widen(base);
    if (!wideFolder) return false;
    constexpr DWORD kShare = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    constexpr DWORD kKind =
        FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE;
    for (int attempt = 0; attempt < 16; ++attempt) {
        std::wstring path = *wideFolder + L".~qv" + randomLetters();
        HANDLE handle = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, kShare,
                                    nullptr, CREATE_NEW, kKind, nullptr);
        if (handle != INVALID_HANDLE_VALUE) {
            handle_ = reinterpret_cast<std::intptr_t>(handle);
            return true;
        }
        if (GetLastError() != ERROR_FILE_EXISTS) return false;
    }
    return false;
}

bool ScratchFile::isOpen() const {
    return handleOf(handle_) != INVALID_HANDLE_VALUE;
}

bool ScratchFile::append(std::string_view bytes) {
    unmap();
    if (!isOpen()) return false;
    std::string_view rest = bytes;
    while (!rest.empty()) {
        DWORD put = 0;
        DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(rest.size(), kMaxChunk));
        if (!WriteFile(handleOf(handle_), rest.data(), chunk, &put, nullptr) || put == 0)
            return false;
        rest.remove_prefix(put);
    }
    size_ += static_cast<std::int64_t>(bytes.size());
    return true;
}

std::optional<std::string_view> ScratchFile::view() {
    if (!isOpen()) return std::nullopt;
    if (size_ == 0) return std::string_view();
    if (!mapped_) {
        HANDLE mapping =
            CreateFileMappingW(handleOf(handle_), nullptr, PAGE_READONLY, 0, 0, nullptr);
        if (!mapping) return std::nullopt;
        void* at = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, static_cast<SIZE_T>(size_));
        CloseHandle(mapping);  // the view keeps the mapping alive
        if (!at) return std::nullopt;
        mapped_ = at;
        mappedSize_ = static_cast<std::size_t>(size_);
    }
    return std::string_view(static_cast<const char*>(mapped_), mappedSize_);
}

void ScratchFile::unmap() {
    if (mapped_) UnmapViewOfFile(mapped_);
    mapped_ = nullptr;
    mappedSize_ = 0;
}

}  // namespace qv
