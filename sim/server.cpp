#include "sim/server.h"

#include "sim/text_escape.h"

#include "sim/link_io.h"

#include <algorithm>
#include <cstdio>

namespace va48sim {

namespace {

constexpr Milliseconds kPtyHangupGrace{200};

void PrintLine(const std::string& line) {
    std::fputs(line.c_str(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

} // namespace

Server::Server(ServerOptions options, SimState& state) : options_(options), state_(state) {}

Server::~Server() {
    io::Close(link_);
    io::Close(listener_);
    io::Close(ptySlave_);
}

std::string Server::InstallStopSignals() {
    return io::Start();
}

std::string Server::Open() {
    if (options_.pty) {
        std::string path;
        if (std::string error = io::OpenPty(link_, ptySlave_, path); !error.empty()) {
            return error;
        }
        PrintLine("listening pty " + path);
        return {};
    }
    std::uint16_t port = 0;
    if (std::string error = io::OpenListener(options_.port, listener_, port); !error.empty()) {
        return error;
    }
    PrintLine("listening tcp 127.0.0.1:" + std::to_string(port));
    return {};
}

void Server::Log(const std::string& line) const {
    if (state_.log) {
        std::fprintf(stderr, "%s\n", line.c_str());
        std::fflush(stderr);
    }
}

void Server::AcceptClient() {
    // Small replies must leave at once, and the two pieces of a split reply as two segments:
    // Accept turns off the sender's coalescing.
    link_ = io::Accept(listener_);
    if (link_ != io::kNone) {
        Log("connected");
    }
}

// Ends the current connection and forgets everything queued for it. A pseudo-terminal cannot be
// reconnected under the same path, so closing it hangs the line up for good.
void Server::CloseConnection(const char* why) {
    io::Close(link_);
    if (options_.pty) {
        io::Close(ptySlave_);
    }
    decoder_.Reset();
    output_.clear();
    scheduled_.clear();
    closing_ = false;
    dropDue_ = false;
    lastDue_ = {};
    repliesOnConnection_ = 0;
    updateLines_ = 0;
    Log(std::string("disconnected (") + why + ")");
}

void Server::Schedule(Clock::time_point due, std::string bytes, bool close) {
    scheduled_.push_back(Scheduled{due, nextOrder_++, std::move(bytes), close});
}

void Server::HandleRequest(const Request& request) {
    Log("rx " + Escape(request.text));
    const std::string command = request.text.substr(0, 3);
    const CommandFaults& own = state_.faults.For(command);
    const UpdateFault updateFault = UpdateFaultFor(state_.faults, request.text, updateLines_);
    if (updateFault == UpdateFault::Drop) {
        Log("tx none");
        CloseConnection("dropped mid-update");
        return;
    }
    std::string answered;
    const auto chunks = PlanReply(state_.faults, command, [&] {
        if (updateFault == UpdateFault::FailWrite) {
            answered = "tx nak " + Escape(*state_.faults.writeFailStatus);
            return EncodeNak(*state_.faults.writeFailStatus);
        }
        const Answer answer = state_.amplifier.Handle(request.text);
        answered = answer.nak ? "tx nak " + Escape(answer.text) : "tx " + Escape(answer.text);
        return answer.nak ? EncodeNak(answer.text) : EncodeAck(answer.text);
    });
    if (own.silent) {
        Log("tx none");
    } else if (own.flood) {
        Log("tx flood");
    } else if (own.nakStatus) {
        Log("tx nak " + Escape(*own.nakStatus));
    } else {
        Log(answered);
    }
    if (chunks.empty()) {
        return;
    }
    const auto now = Clock::now();
    for (const Chunk& chunk : chunks) {
        if (chunk.outOfBand) {
            Schedule(now + chunk.at, chunk.bytes, false);
        } else {
            lastDue_ = std::max(now + chunk.at, lastDue_);
            Schedule(lastDue_, chunk.bytes, false);
        }
    }
    ++repliesOnConnection_;
    if (state_.faults.dropAfter != 0 && repliesOnConnection_ >= state_.faults.dropAfter) {
        // Closing a pty master discards what the slave has not read yet, so the last reply gets a
        // moment to be read before the line hangs up. A socket delivers it before its FIN anyway.
        Schedule(lastDue_ + (options_.pty ? kPtyHangupGrace : Milliseconds{0}), {}, true);
        closing_ = true;
    }
}

void Server::RunDueItems() {
    const auto now = Clock::now();
    std::ranges::sort(scheduled_, [](const Scheduled& a, const Scheduled& b) {
        return a.due != b.due ? a.due < b.due : a.order < b.order;
    });
    std::size_t done = 0;
    for (; done < scheduled_.size() && scheduled_[done].due <= now; ++done) {
        Scheduled& item = scheduled_[done];
        if (item.close) {
            // Anything queued after the drop (a late duplicate) dies with the connection.
            scheduled_.clear();
            dropDue_ = true;
            return;
        }
        output_ += item.bytes;
    }
    scheduled_.erase(scheduled_.begin(), scheduled_.begin() + static_cast<std::ptrdiff_t>(done));
}

int Server::PollTimeoutMs() const {
    if (scheduled_.empty()) {
        return -1;
    }
    const auto next = std::ranges::min_element(scheduled_, {}, &Scheduled::due)->due;
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(next - Clock::now());
    return static_cast<int>(std::clamp<std::int64_t>(wait.count(), 0, 60000));
}

void Server::ReadConnection() {
    char buffer[4096];
    const long count = io::ReadLink(link_, buffer);
    if (count > 0) {
        if (closing_) {
            return; // the connection is about to drop; late requests go unanswered
        }
        for (const Request& request :
             decoder_.Feed(std::string_view(buffer, static_cast<std::size_t>(count)))) {
            HandleRequest(request);
            if (closing_ || link_ == io::kNone) {
                break;
            }
        }
    } else if (count == 0) {
        CloseConnection("peer closed");
    } else if (count == io::kFailed) {
        // A pty master fails only when no slave is open, which the held slave prevents.
        CloseConnection("read error");
    }
}

void Server::WriteConnection() {
    while (!output_.empty()) {
        const long count = io::WriteLink(link_, output_);
        if (count > 0) {
            output_.erase(0, static_cast<std::size_t>(count));
        } else if (count == io::kWouldBlock) {
            return;
        } else {
            CloseConnection("write error");
            return;
        }
    }
}

void Server::HandleControlLine(const std::string& line) {
    const Setting setting = ParseControlLine(line);
    if (setting.name.empty()) {
        return;
    }
    const std::string error = ApplySetting(setting, state_);
    PrintLine(error.empty() ? "ok" : "error " + error);
}

void Server::ReadStdin() {
    char buffer[1024];
    const long count = io::ReadStdin(buffer);
    if (count == io::kWouldBlock) {
        return;
    }
    if (count <= 0) {
        stdinOpen_ = false;
        if (options_.exitOnStdinEof) {
            stop_ = true;
        }
        return;
    }
    stdinBuffer_.append(buffer, static_cast<std::size_t>(count));
    for (std::size_t end = stdinBuffer_.find('\n'); end != std::string::npos;
         end = stdinBuffer_.find('\n')) {
        HandleControlLine(stdinBuffer_.substr(0, end));
        stdinBuffer_.erase(0, end + 1);
    }
}

int Server::Run() {
    while (!stop_) {
        RunDueItems();
        if (link_ != io::kNone && !output_.empty()) {
            WriteConnection();
        }
        if (link_ != io::kNone && dropDue_ && output_.empty()) {
            CloseConnection("dropped");
        }

        const io::WaitSet watch{.stdinOpen = stdinOpen_,
                                .listener = link_ == io::kNone ? listener_ : io::kNone,
                                .link = link_,
                                .linkOutput = !output_.empty(),
                                .timeoutMs = PollTimeoutMs()};
        io::Ready ready;
        if (std::string error; !io::Wait(watch, ready, error)) {
            std::fprintf(stderr, "va48sim: %s\n", error.c_str());
            return 1;
        }
        if (ready.stop) {
            stop_ = true;
        }
        if (ready.stdinInput) {
            ReadStdin();
        }
        if (ready.connection) {
            AcceptClient();
        }
        if (ready.linkOutput && link_ != io::kNone) {
            WriteConnection();
        }
        if (ready.linkInput && link_ != io::kNone) {
            ReadConnection();
        }
    }
    return 0;
}

} // namespace va48sim
