// The simulator's child process on Windows: CreateProcess with anonymous pipes for stdin and
// stdout and a temporary file, deleted when the last handle goes, for stderr.

#include "tests/support/sim_child.h"

#include <windows.h>

#include <algorithm>
#include <thread>

namespace va48 {

namespace {

using std::chrono::milliseconds;

constexpr milliseconds kPollStep{5};

std::wstring Wide(std::string_view text) {
    const int length =
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(std::max(length, 0)), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                        length);
    return wide;
}

// One argument quoted the way the C runtime splits a command line again: backslashes are
// literal unless they precede a quote.
std::wstring Quoted(const std::wstring& arg) {
    if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos) {
        return arg;
    }
    std::wstring quoted = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : arg) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, L'\\');
    return quoted + L"\"";
}

std::string LastError(const char* what) {
    return std::string(what) + ": error " + std::to_string(GetLastError());
}

void CloseOnce(HANDLE& handle) {
    if (handle != nullptr && handle != INVALID_HANDLE_VALUE) {
        CloseHandle(handle);
    }
    handle = nullptr;
}

} // namespace

struct SimChild {
    HANDLE process = nullptr;
    HANDLE stdinWrite = nullptr;
    HANDLE stdoutRead = nullptr;
    HANDLE stderrFile = nullptr; // the child's stderr; the file goes when it closes
    HANDLE stderrRead = nullptr; // our own file position for reading it
};

void SimChildCloser::operator()(SimChild* child) const {
    for (HANDLE* handle : {&child->process, &child->stdinWrite, &child->stdoutRead,
                           &child->stderrFile, &child->stderrRead}) {
        CloseOnce(*handle);
    }
    delete child;
}

bool ReadSimStdout(SimChild& child, std::string& out, milliseconds limit) {
    // An anonymous pipe has no wait with a time limit: look, else sleep a little.
    DWORD available = 0;
    if (child.stdoutRead == nullptr ||
        !PeekNamedPipe(child.stdoutRead, nullptr, 0, nullptr, &available, nullptr)) {
        return false;
    }
    if (available == 0) {
        std::this_thread::sleep_for(std::min(limit, kPollStep));
        return true;
    }
    std::string buffer(std::min<DWORD>(available, 4096), '\0');
    DWORD count = 0;
    if (!ReadFile(child.stdoutRead, buffer.data(), static_cast<DWORD>(buffer.size()), &count,
                  nullptr)) {
        return false;
    }
    out.append(buffer.data(), count);
    return count > 0;
}

long WriteSimStdin(SimChild& child, std::string_view text, std::string& error) {
    DWORD count = 0;
    if (child.stdinWrite == nullptr ||
        !WriteFile(child.stdinWrite, text.data(), static_cast<DWORD>(text.size()), &count,
                   nullptr)) {
        error = LastError("WriteFile");
        return -1;
    }
    return static_cast<long>(count);
}

std::size_t ReadSimStderr(const SimChild& child, std::size_t offset, char* buffer,
                          std::size_t size) {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    DWORD count = 0;
    if (!ReadFile(child.stderrRead, buffer, static_cast<DWORD>(size), &count, &at)) {
        return 0;
    }
    return count;
}

void StopSimChild(SimChild& child, milliseconds limit) {
    CloseOnce(child.stdinWrite); // the simulator exits on end of stdin
    if (child.process != nullptr) {
        if (WaitForSingleObject(child.process, static_cast<DWORD>(limit.count())) !=
            WAIT_OBJECT_0) {
            TerminateProcess(child.process, 1);
            WaitForSingleObject(child.process, INFINITE);
        }
        CloseOnce(child.process);
    }
    CloseOnce(child.stdoutRead);
}

SimChildPtr StartSimChild(const std::string& program, const std::vector<std::string>& args,
                          std::string& error) {
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    SimChildPtr child(new SimChild);
    HANDLE stdinRead = nullptr; // the child's ends of the pipes
    HANDLE stdoutWrite = nullptr;
    const auto fail = [&](const std::string& what) {
        error = LastError(what.c_str());
        CloseOnce(stdinRead);
        CloseOnce(stdoutWrite);
        return SimChildPtr();
    };
    if (!CreatePipe(&stdinRead, &child->stdinWrite, &inherit, 0) ||
        !CreatePipe(&child->stdoutRead, &stdoutWrite, &inherit, 0) ||
        !SetHandleInformation(child->stdinWrite, HANDLE_FLAG_INHERIT, 0) ||
        !SetHandleInformation(child->stdoutRead, HANDLE_FLAG_INHERIT, 0)) {
        return fail("CreatePipe");
    }
    wchar_t folder[MAX_PATH + 1] = {};
    wchar_t path[MAX_PATH + 1] = {};
    if (GetTempPathW(MAX_PATH, folder) == 0 || GetTempFileNameW(folder, L"sim", 0, path) == 0) {
        return fail("GetTempFileName");
    }
    constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    child->stderrFile = CreateFileW(path, GENERIC_WRITE | DELETE, kShareAll, &inherit,
                                    CREATE_ALWAYS, FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    child->stderrRead =
        CreateFileW(path, GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING, 0, nullptr);
    if (child->stderrFile == INVALID_HANDLE_VALUE || child->stderrRead == INVALID_HANDLE_VALUE) {
        return fail("CreateFile");
    }

    std::wstring commandLine = Quoted(Wide(program));
    for (const std::string& arg : args) {
        commandLine += L" " + Quoted(Wide(arg));
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = stdinRead;
    startup.hStdOutput = stdoutWrite;
    startup.hStdError = child->stderrFile;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                        nullptr, nullptr, &startup, &info)) {
        return fail("CreateProcess " + program);
    }
    // The child's ends are the child's now; the pipes report its end once it exits.
    CloseOnce(stdinRead);
    CloseOnce(stdoutWrite);
    CloseHandle(info.hThread);
    child->process = info.hProcess;
    return child;
}

} // namespace va48
