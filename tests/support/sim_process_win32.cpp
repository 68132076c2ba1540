// The simulator's child process on Windows: CreateProcess with anonymous pipes for stdin and
// stdout and a temporary file, deleted when the last handle goes, for stderr.

#include "tests/support/sim_child.h"

#include <windows.h>

#include <algorithm>
#include <thread>

namespace va48 {

namespace {

using Clock = std::chrono::steady_clock;
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

class Win32SimChild final : public SimChild {
  public:
    Win32SimChild(HANDLE process, HANDLE stdinWrite, HANDLE stdoutRead, HANDLE stderrFile,
                  HANDLE stderrRead)
        : process_(process), stdinWrite_(stdinWrite), stdoutRead_(stdoutRead),
          stderrFile_(stderrFile), stderrRead_(stderrRead) {}
    ~Win32SimChild() override {
        Stop(milliseconds(2000));
        CloseOnce(stderrRead_);
        CloseOnce(stderrFile_);
    }

    bool ReadStdout(std::string& out, milliseconds limit) override {
        const auto deadline = Clock::now() + limit;
        // An anonymous pipe has no wait with a time limit: look, then sleep a little.
        for (;;) {
            DWORD available = 0;
            if (stdoutRead_ == nullptr ||
                !PeekNamedPipe(stdoutRead_, nullptr, 0, nullptr, &available, nullptr)) {
                return false;
            }
            if (available > 0) {
                std::string buffer(std::min<DWORD>(available, 4096), '\0');
                DWORD count = 0;
                if (!ReadFile(stdoutRead_, buffer.data(), static_cast<DWORD>(buffer.size()), &count,
                              nullptr) ||
                    count == 0) {
                    return false;
                }
                out.append(buffer.data(), count);
                return true;
            }
            if (Clock::now() >= deadline) {
                return false;
            }
            std::this_thread::sleep_for(kPollStep);
        }
    }

    bool WriteStdin(std::string_view text, std::string& error) override {
        while (!text.empty()) {
            DWORD count = 0;
            if (stdinWrite_ == nullptr ||
                !WriteFile(stdinWrite_, text.data(), static_cast<DWORD>(text.size()), &count,
                           nullptr)) {
                error = LastError("WriteFile");
                return false;
            }
            text.remove_prefix(count);
        }
        return true;
    }

    std::string StderrLog() const override {
        std::string log;
        char buffer[4096];
        for (;;) {
            OVERLAPPED at{};
            at.Offset = static_cast<DWORD>(log.size());
            DWORD count = 0;
            if (!ReadFile(stderrRead_, buffer, sizeof buffer, &count, &at) || count == 0) {
                return log;
            }
            log.append(buffer, count);
        }
    }

    void Stop(milliseconds limit) override {
        CloseOnce(stdinWrite_); // the simulator exits on end of stdin
        if (process_ != nullptr) {
            if (WaitForSingleObject(process_, static_cast<DWORD>(limit.count())) != WAIT_OBJECT_0) {
                TerminateProcess(process_, 1);
                WaitForSingleObject(process_, INFINITE);
            }
            CloseOnce(process_);
        }
        CloseOnce(stdoutRead_);
    }

  private:
    HANDLE process_;
    HANDLE stdinWrite_;
    HANDLE stdoutRead_;
    HANDLE stderrFile_; // the child's stderr; the file goes when it closes
    HANDLE stderrRead_; // our own file position for reading it
};

} // namespace

std::unique_ptr<SimChild> StartSimChild(const std::string& program,
                                        const std::vector<std::string>& args, std::string& error) {
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE stdinRead = nullptr;
    HANDLE stdinWrite = nullptr;
    HANDLE stdoutRead = nullptr;
    HANDLE stdoutWrite = nullptr;
    const auto closeAll = [&] {
        for (HANDLE* handle : {&stdinRead, &stdinWrite, &stdoutRead, &stdoutWrite}) {
            CloseOnce(*handle);
        }
    };
    if (!CreatePipe(&stdinRead, &stdinWrite, &inherit, 0) ||
        !CreatePipe(&stdoutRead, &stdoutWrite, &inherit, 0) ||
        !SetHandleInformation(stdinWrite, HANDLE_FLAG_INHERIT, 0) ||
        !SetHandleInformation(stdoutRead, HANDLE_FLAG_INHERIT, 0)) {
        error = LastError("CreatePipe");
        closeAll();
        return nullptr;
    }
    wchar_t folder[MAX_PATH + 1] = {};
    wchar_t path[MAX_PATH + 1] = {};
    if (GetTempPathW(MAX_PATH, folder) == 0 || GetTempFileNameW(folder, L"sim", 0, path) == 0) {
        error = LastError("GetTempFileName");
        closeAll();
        return nullptr;
    }
    constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    HANDLE stderrFile = CreateFileW(path, GENERIC_WRITE | DELETE, kShareAll, &inherit,
                                    CREATE_ALWAYS, FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    HANDLE stderrRead =
        CreateFileW(path, GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING, 0, nullptr);
    if (stderrFile == INVALID_HANDLE_VALUE || stderrRead == INVALID_HANDLE_VALUE) {
        error = LastError("CreateFile");
        CloseOnce(stderrFile);
        CloseOnce(stderrRead);
        closeAll();
        return nullptr;
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
    startup.hStdError = stderrFile;
    PROCESS_INFORMATION info{};
    const bool started = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE,
                                        CREATE_NO_WINDOW, nullptr, nullptr, &startup, &info);
    // The child's ends are the child's now; the pipes report its end once it exits.
    CloseOnce(stdinRead);
    CloseOnce(stdoutWrite);
    if (!started) {
        error = LastError(("CreateProcess " + program).c_str());
        CloseOnce(stderrFile);
        CloseOnce(stderrRead);
        closeAll();
        return nullptr;
    }
    CloseHandle(info.hThread);
    return std::make_unique<Win32SimChild>(info.hProcess, stdinWrite, stdoutRead, stderrFile,
                                           stderrRead);
}

} // namespace va48
