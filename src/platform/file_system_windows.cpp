// The file layer on Windows: wide-character calls, C runtime descriptors
// over the system's handles, binary always.
#include "platform/file_system.h"

#include "platform/windows_text.h"

#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <cerrno>
#include <cstring>

namespace kestrelon::files {

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// 100 ns ticks from 1601-01-01 to 1970-01-01.
constexpr int64_t kEpochTicks = 116444736000000000;

int errnoOf(DWORD error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_PATHNAME:
        return ENOENT;
    case ERROR_ACCESS_DENIED:
        return EACCES;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_USER_MAPPED_FILE:
        return EBUSY;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return EEXIST;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return ENOSPC;
    case ERROR_WRITE_PROTECT:
        return EROFS;
    case ERROR_DIRECTORY:
        return ENOTDIR;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
        return ENOMEM;
    case ERROR_INVALID_PARAMETER:
        return EINVAL;
    default:
        return EIO;
    }
}

bool failed() {
    errno = errnoOf(GetLastError());
    return false;
}

HANDLE openHandle(const std::string& path, DWORD access, DWORD creation, DWORD flags = FILE_ATTRIBUTE_NORMAL) {
    return CreateFileW(WideFromUtf8(path).c_str(), access, kShareAll, nullptr, creation, flags, nullptr);
}

// A descriptor of the C runtime that owns the handle from now on.
int descriptorOf(HANDLE h, int flags) {
    if (h == INVALID_HANDLE_VALUE) {
        failed();
        return -1;
    }
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), flags | _O_BINARY);
    if (fd < 0) {
        CloseHandle(h);
        errno = EMFILE;
    }
    return fd;
}

bool handleInfo(HANDLE h, Info& out) {
    out = Info{};
    if (GetFileType(h) != FILE_TYPE_DISK) {   // a console, a pipe, NUL
        out.type = Type::Other;
        return true;
    }
    BY_HANDLE_FILE_INFORMATION i{};
    if (!GetFileInformationByHandle(h, &i)) return failed();
    out.type = (i.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? Type::Folder : Type::Regular;
    out.size = (static_cast<uint64_t>(i.nFileSizeHigh) << 32) | i.nFileSizeLow;
    out.links = i.nNumberOfLinks;
    const int64_t ticks = static_cast<int64_t>((static_cast<uint64_t>(i.ftLastWriteTime.dwHighDateTime) << 32) |
                                               i.ftLastWriteTime.dwLowDateTime);
    out.modifiedNs = (ticks - kEpochTicks) * 100;
    out.volume = i.dwVolumeSerialNumber;
    out.index = (static_cast<uint64_t>(i.nFileIndexHigh) << 32) | i.nFileIndexLow;
    out.readOnly = (i.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
    out.mode = out.readOnly ? 0444 : 0644;
    return true;
}

} // namespace

bool PathInfo(const std::string& path, Info& out) {
    // No rights asked: facts can be had of a file another program holds.
    const HANDLE h = openHandle(path, 0, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS);
    if (h == INVALID_HANDLE_VALUE) return failed();
    const bool ok = handleInfo(h, out);
    const int e = errno;
    CloseHandle(h);
    errno = e;
    return ok;
}

bool LinkInfo(const std::string& path, Info& out) { return PathInfo(path, out); }

bool DescriptorInfo(int fd, Info& out) {
    const intptr_t h = _get_osfhandle(fd);
    if (h == -1) {
        errno = EBADF;
        return false;
    }
    return handleInfo(reinterpret_cast<HANDLE>(h), out);
}

bool ReadLink(const std::string&, std::string&) {
    errno = EINVAL;
    return false;
}

bool MayWrite(const std::string& path) {
    Info info;
    if (!PathInfo(path, info)) return false;
    if (info.type == Type::Folder) return true;   // its rules show when a file is made
    const HANDLE h = openHandle(path, GENERIC_WRITE, OPEN_EXISTING);
    if (h == INVALID_HANDLE_VALUE) return failed();
    CloseHandle(h);
    return true;
}

int OpenForReading(const std::string& path) {
    return descriptorOf(openHandle(path, GENERIC_READ, OPEN_EXISTING), _O_RDONLY);
}

int OpenForAppending(const std::string& path, bool create) {
    return descriptorOf(openHandle(path, FILE_APPEND_DATA | SYNCHRONIZE, create ? OPEN_ALWAYS : OPEN_EXISTING),
                        _O_WRONLY | _O_APPEND);
}

int CreateNew(const std::string& path, unsigned) {
    return descriptorOf(openHandle(path, GENERIC_READ | GENERIC_WRITE, CREATE_NEW), _O_RDWR);
}

long Read(int fd, char* buf, size_t len) {
    return _read(fd, buf, static_cast<unsigned>(len > 0x40000000 ? 0x40000000 : len));
}

bool WriteAll(int fd, const std::string& data) {
    size_t done = 0;
    while (done < data.size()) {
        const size_t chunk = data.size() - done > 0x40000000 ? 0x40000000 : data.size() - done;
        const int n = _write(fd, data.data() + done, static_cast<unsigned>(chunk));
        if (n == 0) errno = ENOSPC;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

bool Flush(int fd) {
    const intptr_t h = _get_osfhandle(fd);
    if (h == -1) {
        errno = EBADF;
        return false;
    }
    return FlushFileBuffers(reinterpret_cast<HANDLE>(h)) || failed();
}

bool FlushData(int fd) { return Flush(fd); }

bool Close(int fd) { return _close(fd) == 0; }
bool SetMode(int, unsigned) { return true; }
unsigned NewFileMode() { return 0644; }

bool ReplaceWith(const std::string& from, const std::string& to) {
    return MoveFileExW(WideFromUtf8(from).c_str(), WideFromUtf8(to).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) ||
           failed();
}

bool Remove(const std::string& path) { return DeleteFileW(WideFromUtf8(path).c_str()) || failed(); }

bool SyncFolder(const std::string&) { return true; }

bool ListFolder(const std::string& folder, std::vector<std::string>& names) {
    WIN32_FIND_DATAW entry;
    const std::string pattern = folder + (folder.empty() || IsSeparator(folder.back()) ? "*" : "\\*");
    const HANDLE find = FindFirstFileW(WideFromUtf8(pattern).c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND || failed();
    do {
        const std::string name = Utf8FromWide(entry.cFileName);
        if (name != "." && name != "..") names.push_back(name);
    } while (FindNextFileW(find, &entry));
    FindClose(find);
    return true;
}

std::string ErrorText(int errnum) {
    // The C runtime's text for EBUSY ("Resource device") tells nobody anything.
    if (errnum == EBUSY) return "the file is in use by another program";
    return std::strerror(errnum);
}

} // namespace kestrelon::files
