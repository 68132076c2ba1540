#include "tests/support/sim_process.h"

#include "sim/text_escape.h"

#include <algorithm>
#include <cstdlib>
#include <thread>

namespace va48 {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr milliseconds kStartLimit{5000};
constexpr milliseconds kControlLimit{5000};
constexpr milliseconds kStopLimit{2000};
constexpr milliseconds kPollStep{10};

bool Has(const std::vector<std::string>& args, std::string_view option) {
    return std::ranges::any_of(args, [option](const std::string& arg) {
        return arg == option || arg.starts_with(std::string(option) + "=");
    });
}

} // namespace

SimProcess::SimProcess(std::vector<std::string> args) {
    started_ = Start(std::move(args));
    if (!started_) {
        Stop();
    }
}

SimProcess::~SimProcess() {
    Stop();
}

bool SimProcess::Start(std::vector<std::string> args) {
    if (!Has(args, "--port") && !Has(args, "--pty")) {
        args.insert(args.end(), {"--port", "0"});
    }
    args.push_back("--exit-on-stdin-eof");
    child_ = StartSimChild(VA48SIM_PATH, args, error_);
    if (!child_) {
        return false;
    }

    std::string line;
    if (!ReadLine(line, kStartLimit)) {
        error_ = "va48sim printed no listening line; stderr: " + StderrLog();
        return false;
    }
    constexpr std::string_view kTcp = "listening tcp 127.0.0.1:";
    constexpr std::string_view kPty = "listening pty ";
    if (line.starts_with(kTcp)) {
        const int port = std::atoi(line.c_str() + kTcp.size());
        if (port <= 0 || port > 65535) {
            error_ = "bad listening line: " + line;
            return false;
        }
        port_ = static_cast<std::uint16_t>(port);
    } else if (line.starts_with(kPty)) {
        ptyPath_ = line.substr(kPty.size());
    } else {
        error_ = "unexpected first line: " + line;
        return false;
    }
    return true;
}

bool SimProcess::ReadLine(std::string& line, milliseconds limit) {
    const auto deadline = Clock::now() + limit;
    while (true) {
        const std::size_t end = stdoutBuffer_.find('\n');
        if (end != std::string::npos) {
            line = stdoutBuffer_.substr(0, end);
            stdoutBuffer_.erase(0, end + 1);
            return true;
        }
        const auto left = std::chrono::ceil<milliseconds>(deadline - Clock::now());
        if (!child_ || left.count() <= 0 || !ReadSimStdout(*child_, stdoutBuffer_, left)) {
            return false;
        }
    }
}

bool SimProcess::Control(std::string_view line) {
    if (!started_) {
        return false;
    }
    const std::string text = std::string(line) + '\n';
    for (std::string_view rest = text; !rest.empty();) {
        const long sent = WriteSimStdin(*child_, rest, error_);
        if (sent < 0) {
            error_ = "control line not sent: " + error_;
            return false;
        }
        rest.remove_prefix(static_cast<std::size_t>(sent));
    }
    std::string reply;
    if (!ReadLine(reply, kControlLimit)) {
        error_ = "no answer to control line '" + std::string(line) + "'";
        return false;
    }
    if (reply != "ok") {
        error_ = reply;
        return false;
    }
    return true;
}

std::string SimProcess::StderrLog() const {
    std::string log;
    char buffer[4096];
    while (child_) {
        const std::size_t count = ReadSimStderr(*child_, log.size(), buffer, sizeof buffer);
        if (count == 0) {
            break;
        }
        log.append(buffer, count);
    }
    return log;
}

std::vector<std::string> SimProcess::ReceivedRequests() const {
    const std::string log = StderrLog();
    std::vector<std::string> requests;
    std::size_t start = 0;
    for (std::size_t end = log.find('\n'); end != std::string::npos;
         start = end + 1, end = log.find('\n', start)) {
        const std::string_view line(log.data() + start, end - start);
        if (line.starts_with("rx ")) {
            const std::string_view text = std::string_view(line).substr(3);
            requests.push_back(va48sim::Unescape(text).value_or(std::string(text)));
        }
    }
    return requests;
}

bool SimProcess::WaitForRequests(std::size_t count, milliseconds limit) const {
    const auto deadline = Clock::now() + limit;
    while (ReceivedRequests().size() < count) {
        if (Clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(kPollStep);
    }
    return true;
}

void SimProcess::Stop() {
    if (child_) {
        StopSimChild(*child_, kStopLimit);
    }
    started_ = false;
}

} // namespace va48
