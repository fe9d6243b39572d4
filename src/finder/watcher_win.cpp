#include "finder/session_win.h"
#include "fs/wide_text.h"
#include "paths/files.h"

namespace finder {

namespace {

// Large enough for the bursts of a game saving many files between two polls; above 64 KB the
// system refuses the call for network folders, which then get the smaller one.
constexpr DWORD kLargeBuffer = 512 * 1024;
constexpr DWORD kNetworkBuffer = 64 * 1024;
constexpr DWORD kWhat = FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME | FILE_NOTIFY_CHANGE_SIZE |
                        FILE_NOTIFY_CHANGE_LAST_WRITE | FILE_NOTIFY_CHANGE_CREATION;

}  // namespace

struct Watcher::Watch {
    size_t root = 0;
    HANDLE folder = INVALID_HANDLE_VALUE;
    OVERLAPPED overlapped{};
    std::vector<DWORD> buffer;  // DWORD-aligned, as the reports must be
    bool pending = false;
};

Watcher::Watcher(Recording& recording) : recording_(recording) {
    for (size_t r = 0; r < recording_.roots().size(); ++r) begin(r);
}

Watcher::~Watcher() { stop(); }

void Watcher::begin(size_t root) {
    auto w = std::make_unique<Watch>();
    w->root = root;
    w->folder = CreateFileW(fs::long_path(recording_.roots()[root].path).c_str(), FILE_LIST_DIRECTORY,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                            FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr);
    w->overlapped.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    w->buffer.resize(kLargeBuffer / sizeof(DWORD));
    if (w->folder == INVALID_HANDLE_VALUE || !w->overlapped.hEvent || !issue(*w)) {
        recording_.rescan(root);
        end(*w);
        return;
    }
    watches_.push_back(std::move(w));
}

bool Watcher::issue(Watch& w) {
    ResetEvent(w.overlapped.hEvent);
    const auto read = [&] {
        return ReadDirectoryChangesW(w.folder, w.buffer.data(), static_cast<DWORD>(w.buffer.size() * sizeof(DWORD)),
                                     TRUE, kWhat, nullptr, &w.overlapped, nullptr);
    };
    BOOL ok = read();
    if (!ok && GetLastError() == ERROR_INVALID_PARAMETER && w.buffer.size() * sizeof(DWORD) > kNetworkBuffer) {
        w.buffer.resize(kNetworkBuffer / sizeof(DWORD));
        ok = read();
    }
    w.pending = ok != FALSE;
    return w.pending;
}

void Watcher::poll() {
    for (auto& w : watches_) {
        if (!w->pending) continue;
        DWORD bytes = 0;
        if (!GetOverlappedResult(w->folder, &w->overlapped, &bytes, FALSE)) {
            if (GetLastError() == ERROR_IO_INCOMPLETE) continue;
            w->pending = false;
            recording_.rescan(w->root);
            end(*w);
            continue;
        }
        w->pending = false;
        take(*w, bytes);
        if (w->folder != INVALID_HANDLE_VALUE && !issue(*w)) {
            recording_.rescan(w->root);
            end(*w);
        }
    }
}

// No bytes means the reports overflowed the buffer: what they held is found by the rescan.
void Watcher::take(Watch& w, DWORD bytes) {
    if (bytes == 0) {
        recording_.rescan(w.root);
        end(w);
        return;
    }
    const auto* base = reinterpret_cast<const BYTE*>(w.buffer.data());
    for (DWORD offset = 0; offset < bytes;) {
        const auto* info = reinterpret_cast<const FILE_NOTIFY_INFORMATION*>(base + offset);
        const std::wstring name(info->FileName, info->FileNameLength / sizeof(WCHAR));
        const DWORD action = info->Action;
        if (action == FILE_ACTION_ADDED || action == FILE_ACTION_RENAMED_NEW_NAME || action == FILE_ACTION_MODIFIED)
            recording_.note(w.root, fs::to_ansi(name), action != FILE_ACTION_MODIFIED);
        if (info->NextEntryOffset == 0) break;
        offset += info->NextEntryOffset;
    }
}

void Watcher::end(Watch& w) {
    if (w.folder != INVALID_HANDLE_VALUE) {
        if (w.pending) {
            CancelIo(w.folder);
            DWORD bytes = 0;
            GetOverlappedResult(w.folder, &w.overlapped, &bytes, TRUE);  // the buffer is ours again
            w.pending = false;
        }
        CloseHandle(w.folder);
        w.folder = INVALID_HANDLE_VALUE;
    }
    if (w.overlapped.hEvent) CloseHandle(w.overlapped.hEvent);
    w.overlapped.hEvent = nullptr;
}

void Watcher::stop() {
    poll();
    for (auto& w : watches_) end(*w);
    watches_.clear();
}

}  // namespace finder
