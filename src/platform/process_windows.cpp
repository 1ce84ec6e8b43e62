// Starting a program on Windows: a normal window, no arguments, not waited for.
#include "platform/process.h"

#include "platform/windows_text.h"

#include <windows.h>
#include <shellapi.h>

#include <cstdlib>

namespace kestrelon {

bool StartDetached(const std::string& path) {
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION pi{};
    const std::wstring program = WideFromUtf8(path);
    std::wstring cmd = L"\"" + program + L"\"";
    if (!CreateProcessW(program.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return false;
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return true;
}

std::string HostName() {
    char name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = sizeof name;
    if (!GetComputerNameA(name, &size)) return {};
    return name;
}

std::vector<std::string> ProgramArguments(int argc, char** argv) {
    int n = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &n);
    if (!wide) return argc > 1 ? std::vector<std::string>(argv + 1, argv + argc) : std::vector<std::string>{};
    std::vector<std::string> out;
    for (int i = 1; i < n; ++i) out.push_back(Utf8FromWide(wide[i]));
    LocalFree(wide);
    return out;
}

void UseUtf8Console() {
    // The console belongs to the command prompt too: give it back as it was.
    static const struct Restore {
        UINT codePage = GetConsoleOutputCP();
        ~Restore() {
            if (codePage) SetConsoleOutputCP(codePage);
        }
    } restore;
    SetConsoleOutputCP(CP_UTF8);
}

std::optional<std::string> EnvironmentValue(const std::string& name) {
    const wchar_t* value = _wgetenv(WideFromUtf8(name).c_str());
    if (!value) return std::nullopt;
    return Utf8FromWide(value);
}

} // namespace kestrelon
