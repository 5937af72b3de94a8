#include "telvane/CmdServer.h"

#include "telvane/Commands.h"
#include "telvane/FrameReader.h"

#include <algorithm>
#include <memory>
#include <new>

namespace Telvane {

namespace {

constexpr int kWaitMs = 1000;
constexpr int kListenBacklog = 5;
// Each ready viewer gets one receive of up to this much per pass.
constexpr size_t kBufferSize = 64 * 1024;
// A viewer that takes no byte of a reply for this long is closed: it would
// hold up every other viewer and stop().
constexpr int kViewerSendTimeoutMs = 4000;
// What the partial frames of all viewers may hold together: four frames of
// the largest size.
constexpr size_t kFrameBudget = 4 * size_t(FrameReader::kMaxFrameLength);

}  // namespace

// The watched sockets: the listening socket first, then the viewers in
// ascending socket number, each with the frame it is part-way through.
class ViewerSet {
public:
    explicit ViewerSet(Socket listener) : budget_(kFrameBudget), count_(1) { sockets_[0] = listener; }
    ~ViewerSet()
    {
        for (size_t i = 1; i < count_; ++i) net::closeSocket(sockets_[i]);
    }

    size_t count() const { return count_; }
    const Socket* sockets() const { return sockets_; }
    Socket socket(size_t i) const { return sockets_[i]; }
    FrameReader& reader(size_t i) { return readers_[i]; }

    bool full() const { return count_ == CmdServer::kMaxSockets; }

    void add(Socket viewer)
    {
        size_t at = count_++;
        for (; at > 1 && sockets_[at - 1] > viewer; --at) {
            sockets_[at] = sockets_[at - 1];
            readers_[at] = std::move(readers_[at - 1]);
        }
        sockets_[at] = viewer;
        readers_[at] = FrameReader(&budget_);
    }

    // Closes the viewer at i; later entries move up one place.
    void remove(size_t i)
    {
        net::closeSocket(sockets_[i]);
        for (; i + 1 < count_; ++i) {
            sockets_[i] = sockets_[i + 1];
            readers_[i] = std::move(readers_[i + 1]);
        }
        readers_[i] = FrameReader();
        --count_;
    }

private:
    FrameBudget budget_;
    Socket sockets_[CmdServer::kMaxSockets];
    FrameReader readers_[CmdServer::kMaxSockets];
    size_t count_;
};

// Reads what one ready viewer sent and delivers every frame it completes;
// false when the viewer must go (closed, failed, sent a frame that cannot
// be held, or did not take its reply).
bool CmdServer::serveViewer(ViewerSet& viewers, size_t i, uint8_t* buffer, size_t capacity)
{
    const long got = net::receiveSome(viewers.socket(i), buffer, capacity);
    if (got <= 0) return false;
    FrameReader& reader = viewers.reader(i);
    for (size_t offset = 0; offset < size_t(got);) {
        size_t used = 0;
        const FrameReader::Status status = reader.append(buffer + offset, size_t(got) - offset, used);
        if (status == FrameReader::Status::Oversized || status == FrameReader::Status::Refused) return false;
        if (status == FrameReader::Status::FrameReady && callback_) {
            net::SendWatch replies(viewers.socket(i), stopRequested_);
            callback_->onCommand(this, viewers.socket(i), reader.frame(), reader.frameLength());
            if (replies.failed()) return false;
        }
        offset += used;
    }
    return true;
}

// Takes every connection waiting in the backlog: one accept per pass would
// let a burst of viewers overflow the backlog.
void CmdServer::acceptPending(ViewerSet& viewers)
{
    bool waiting = true;
    while (waiting) {
        Socket viewer = net::acceptFrom(listener_);
        if (viewer == kNoSocket) return;
        if (viewers.full()) {
            net::closeSocket(viewer);  // over the limit: refused at once
        } else {
            net::setSendTimeout(viewer, kViewerSendTimeoutMs);
            viewers.add(viewer);
        }
        net::waitReadable(&listener_, 1, 0, &waiting);
    }
}

CmdServer::CmdServer(uint16_t portNetworkOrder) : listener_(net::openTcp())
{
    if (listener_ == kNoSocket) return;
    const sockaddr_in any = net::ipv4Address(htonl(INADDR_ANY), portNetworkOrder);
    net::setByteOption(listener_, SOL_SOCKET, SO_OOBINLINE, false);
    if (bind(listener_, reinterpret_cast<const sockaddr*>(&any), sizeof any) != 0 ||
        listen(listener_, kListenBacklog) != 0)
        net::closeSocket(listener_);
}

CmdServer::~CmdServer()
{
    stop();
    net::closeSocket(listener_);
}

void CmdServer::start()
{
    stop();
    stopRequested_ = false;
    loop_ = std::thread(&CmdServer::run, this);
}

void CmdServer::stop()
{
    stopRequested_ = true;
    if (loop_.joinable()) loop_.join();
}

void CmdServer::run()
{
    if (listener_ == kNoSocket) return;
    ViewerSet viewers(listener_);
    std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[kBufferSize]);
    if (!buffer) return;
    bool ready[kMaxSockets];

    for (;;) {
        const int readyCount = net::waitReadable(viewers.sockets(), viewers.count(), kWaitMs, ready);
        if (stopRequested_) return;
        if (readyCount <= 0) continue;

        // Serve the viewers that were ready, in socket-number order; the
        // new connection, if any, was not part of this wait and comes last.
        for (size_t i = 1; i < viewers.count();) {
            if (!ready[i] || serveViewer(viewers, i, buffer.get(), kBufferSize)) {
                ++i;
                continue;
            }
            viewers.remove(i);
            std::copy(ready + i + 1, ready + viewers.count() + 1, ready + i);
        }

        if (ready[0]) acceptPending(viewers);
    }
}

}  // namespace Telvane
