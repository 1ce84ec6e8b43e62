// The process list through a tool-help snapshot.
#if defined(_WIN32)

#include "platform/process_list.h"

#include "platform/windows_text.h"

#include <windows.h>
#include <tlhelp32.h>

namespace kestrelon {

namespace {

std::string FullExePath(DWORD pid) {
    std::string path;
    HANDLE h = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (!h) return path;
    wchar_t buf[MAX_PATH * 4];
    DWORD size = MAX_PATH * 4;
    if (QueryFullProcessImageNameW(h, 0, buf, &size)) path = Utf8FromWide(std::wstring_view(buf, size));
    CloseHandle(h);
    return path;
}

// The user a process runs as, as a string SID; "" when it cannot be told.
std::string UserOf(DWORD pid) {
    std::string sid;
    HANDLE h = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (!h) return sid;
    HANDLE token = nullptr;
    if (OpenProcessToken(h, TOKEN_QUERY, &token)) {
        char buf[256];
        DWORD len = 0;
        if (GetTokenInformation(token, TokenUser, buf, sizeof buf, &len)) {
            char name[256];
            DWORD nameLen = sizeof name;
            char domain[256];
            DWORD domainLen = sizeof domain;
            SID_NAME_USE use;
            if (LookupAccountSidA(nullptr, reinterpret_cast<TOKEN_USER*>(buf)->User.Sid, name, &nameLen, domain,
                                  &domainLen, &use))
                sid = std::string(domain) + "\\" + name;
        }
        CloseHandle(token);
    }
    CloseHandle(h);
    return sid;
}

} // namespace

int64_t GetCurrentProcessId() { return static_cast<int64_t>(::GetCurrentProcessId()); }

std::string GetOwnExeName() {
    wchar_t buf[MAX_PATH * 4];
    const DWORD n = GetModuleFileNameW(nullptr, buf, MAX_PATH * 4);
    const std::string path = Utf8FromWide(std::wstring_view(buf, n));
    const auto slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::vector<ProcessEntry> ListUserProcesses() {
    std::vector<ProcessEntry> list;
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snap == INVALID_HANDLE_VALUE) return list;
    const std::string me = UserOf(::GetCurrentProcessId());
    PROCESSENTRY32 e{};
    e.dwSize = sizeof e;
    for (BOOL ok = Process32First(snap, &e); ok; ok = Process32Next(snap, &e)) {
        if (me.empty() || UserOf(e.th32ProcessID) != me) continue;
        std::string exe = FullExePath(e.th32ProcessID);
        if (exe.empty()) exe = e.szExeFile;
        list.push_back({static_cast<int64_t>(e.th32ProcessID), exe});
    }
    CloseHandle(snap);
    return list;
}

bool ProcessRunning(int64_t pid) {
    HANDLE h = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(pid));
    if (!h) return false;
    const bool running = WaitForSingleObject(h, 0) == WAIT_TIMEOUT;
    CloseHandle(h);
    return running;
}

bool TerminateInstance(int64_t pid, const std::string& name) {
    if (!ExeMatches(FullExePath(static_cast<DWORD>(pid)), name)) return false;
    HANDLE h = OpenProcess(PROCESS_TERMINATE, FALSE, static_cast<DWORD>(pid));
    if (!h) return false;
    const bool ok = TerminateProcess(h, 0) != 0;
    CloseHandle(h);
    return ok;
}

} // namespace kestrelon

#endif
