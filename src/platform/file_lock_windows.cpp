#ifdef _WIN32
#include "platform/file_lock.h"

#include "platform/windows_text.h"

#include <windows.h>

#include <cstdlib>

namespace kestrelon {

struct FileLock::Handle {
    HANDLE file = INVALID_HANDLE_VALUE;
};

namespace {

constexpr uint32_t kRetryMs = 100;

std::string lastErrorText() { return SystemErrorText(GetLastError()); }

// The lock covers byte 0 only; the process ID is written from byte 1 on, so
// a refused process can still read it (a locked range cannot be read).
long readHolder(HANDLE file) {
    char buf[32] = {};
    OVERLAPPED at{};
    at.Offset = 1;
    DWORD n = 0;
    if (!ReadFile(file, buf, sizeof buf - 1, &n, &at) || n == 0) return 0;
    return std::strtol(buf, nullptr, 10);
}

void writeOwnPid(HANDLE file) {
    const std::string text = std::to_string(static_cast<long>(GetCurrentProcessId())) + "\r\n";
    OVERLAPPED at{};
    at.Offset = 1;
    DWORD n = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &n, &at);
    LARGE_INTEGER end;
    end.QuadPart = 1 + static_cast<LONGLONG>(text.size());
    SetFilePointerEx(file, end, nullptr, FILE_BEGIN);
    SetEndOfFile(file);
}

} // namespace

FileLock::FileLock(std::string path, std::unique_ptr<Handle> handle)
    : path_(std::move(path)), handle_(std::move(handle)) {}

FileLock::~FileLock() {
    if (handle_ && handle_->file != INVALID_HANDLE_VALUE) CloseHandle(handle_->file);   // releases the lock
}

bool FileLock::stillHeld(std::string& why) const {
    // The same file: the same volume and the same file index.
    BY_HANDLE_FILE_INFORMATION held{}, named{};
    const HANDLE byName =
        CreateFileW(WideFromUtf8(path_).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    bool same = false;
    if (byName != INVALID_HANDLE_VALUE) {
        same = handle_ && GetFileInformationByHandle(handle_->file, &held) &&
               GetFileInformationByHandle(byName, &named) &&
               held.dwVolumeSerialNumber == named.dwVolumeSerialNumber &&
               held.nFileIndexHigh == named.nFileIndexHigh && held.nFileIndexLow == named.nFileIndexLow;
        CloseHandle(byName);
    }
    if (!same) why = "the lock file " + path_ + " was removed or replaced while this program held it";
    return same;
}

FileLock::Attempt FileLock::Acquire(const std::string& lockPath, uint32_t waitMs, Clock& clock) {
    Attempt a;
    // Without FILE_SHARE_DELETE: nobody can remove or replace the file
    // while it is open.
    const HANDLE file = CreateFileW(WideFromUtf8(lockPath).c_str(), GENERIC_READ | GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                    nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        a.reason = "cannot open " + lockPath + ": " + lastErrorText();
        return a;
    }
    const uint32_t start = clock.GetTickCount();
    for (;;) {
        OVERLAPPED range{};
        if (LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &range)) {
            writeOwnPid(file);
            auto handle = std::make_unique<Handle>();
            handle->file = file;
            a.outcome = Outcome::Acquired;
            a.lock.reset(new FileLock(lockPath, std::move(handle)));
            return a;
        }
        if (GetLastError() != ERROR_LOCK_VIOLATION) {
            a.reason = "cannot lock " + lockPath + ": " + lastErrorText();
            CloseHandle(file);
            return a;
        }
        if (clock.GetTickCount() - start >= waitMs) break;
        clock.Sleep(kRetryMs);
    }
    a.outcome = Outcome::Held;
    a.holderPid = readHolder(file);
    CloseHandle(file);
    return a;
}

} // namespace kestrelon
#endif
