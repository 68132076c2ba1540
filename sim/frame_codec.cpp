#include "sim/frame_codec.h"

namespace va48sim {

bool RequestDecoder::Complete() const {
    const std::size_t n = frame_.size();
    return n >= kFrameOverhead && frame_[n - 4] == kEtx && frame_[n - 2] == kCr &&
           frame_[n - 1] == kLf;
}

std::vector<Request> RequestDecoder::Feed(std::string_view bytes) {
    std::vector<Request> done;
    for (const char byte : bytes) {
        if (frame_.empty()) {
            if (byte == kStx) {
                frame_.push_back(byte);
            }
            continue;
        }
        // The byte after an ETX is the BCC and may be anything, even STX.
        const bool bccPosition = frame_.back() == kEtx;
        if (byte == kStx && !bccPosition) {
            ++dropped_;
            frame_.assign(1, byte);
            continue;
        }
        frame_.push_back(byte);
        if (Complete()) {
            Request request;
            request.device = frame_[1];
            request.type = frame_[2];
            request.text = frame_.substr(3, frame_.size() - kFrameOverhead);
            done.push_back(std::move(request));
            frame_.clear();
        } else if (frame_.size() >= kMaxRequestFrame) {
            ++dropped_;
            frame_.clear();
        }
    }
    return done;
}

std::string EncodeReply(char kind, std::string_view text) {
    std::string frame;
    frame.reserve(text.size() + kFrameOverhead);
    frame += kStx;
    frame += kDeviceNumber;
    frame += kind;
    frame += text;
    frame += kEtx;
    frame += '\0';
    frame += kCr;
    frame += kLf;
    return frame;
}

std::string EncodeRequest(std::string_view text) {
    return EncodeReply('C', text);
}

} // namespace va48sim
