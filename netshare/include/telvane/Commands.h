#pragma once
// Commands that a viewing console sends to a sharing console, the raw
// replies some of them read back, and the handler interfaces the sharing
// console implements to carry them out.
#include "telvane/Object.h"
#include "telvane/Shapes.h"
#include "telvane/Socket.h"

#include <cstdint>
#include <cstring>

namespace Telvane {

class CmdClient;
class CmdServer;
class SnapshotCmd;
class HighQualitySnapshotCmd;

// Receives every complete frame the command server reads.
class CmdServerCallBack {
public:
    virtual void onCommand(CmdServer* server, Socket client, const void* frame, uint32_t length) = 0;

protected:
    ~CmdServerCallBack() = default;
};

class CmdHandlerBase {
public:
    // Sends the 8-byte MulticastAddressReply on the socket.
    virtual void onQueryMulticastAddress(Socket replySocket) = 0;

protected:
    ~CmdHandlerBase() = default;
};

class DocCamCmdHandler : public CmdHandlerBase {
public:
    virtual void onDocCamCmd(uint8_t code, uint8_t arg1, uint8_t arg2, uint8_t arg3) = 0;
    // The command keeps ownership of the graphic.
    virtual void onAnnotation(Graphic* graphic) = 0;
    // Sends the 8-byte CapabilityReply on the socket.
    virtual void onQueryCapability(Socket replySocket) = 0;
    virtual void onEraseAllAnnotation() = 0;
    // Answers through SnapshotCmd::sendReply.
    virtual void onSnapshot(SnapshotCmd* cmd, float width, float height, uint8_t flag) = 0;

protected:
    ~DocCamCmdHandler() = default;
};

class DocCamCmdHandlerV2 : public DocCamCmdHandler {
public:
    // Sends the 32-byte CapabilityReplyV2 on the socket.
    virtual void onQueryCapabilityV2(Socket replySocket) = 0;
    // Answers through HighQualitySnapshotCmd::sendReply.
    virtual void onHighQualitySnapshot(HighQualitySnapshotCmd* cmd) = 0;

protected:
    ~DocCamCmdHandlerV2() = default;
};

class Cmd : public Object {
public:
    // Runs on the server against whichever handler interface the command
    // needs; a handler that lacks it makes the command do nothing.
    virtual void execute(CmdHandlerBase* handler, Socket replySocket) = 0;
    // Reads the command's raw reply; commands without one read nothing.
    virtual bool readReply(Socket) { return true; }

    // Sends the command as one frame and does not wait for anything.
    void send(CmdClient& client) const;
    // Sends the command and reads its reply.
    bool sendAndWait(CmdClient& client);
};

// A reply of a fixed number of raw bytes.
template <uint32_t N>
class FixedReplyCmd : public Cmd {
public:
    bool readReply(Socket s) override
    {
        received_ = net::recvAll(s, reply_, N);
        return received_;
    }

protected:
    // Sends the command and copies its N reply bytes to out when they came.
    bool requestInto(CmdClient& client, void* out)
    {
        if (!sendAndWait(client)) return false;
        std::memcpy(out, reply_, N);
        return true;
    }

private:
    uint8_t reply_[N] = {};
    bool received_ = false;
};

// The 8 raw bytes answering QueryMulticastAddressCmd.
struct MulticastAddressReply {
    uint32_t group;  // network order
    uint16_t port;   // network order
    uint16_t unused;
};
static_assert(sizeof(MulticastAddressReply) == 8, "wire record");

class QueryMulticastAddressCmd : public FixedReplyCmd<8> {
public:
    std::string typeName() const override { return "Telvane::QxQueryMulticastAddressCmd"; }
    void execute(CmdHandlerBase* handler, Socket replySocket) override;
    // Group and port in network order; meaningful only when true comes back.
    bool request(CmdClient& client, uint32_t& group, uint16_t& port);
};

class QueryCapabilityCmd : public FixedReplyCmd<8> {
public:
    std::string typeName() const override { return "Telvane::QxQueryCapabilityCmd"; }
    void execute(CmdHandlerBase* handler, Socket replySocket) override;
    bool request(CmdClient& client, uint8_t (&capability)[8]);
};

class QueryCapabilityCmdV2 : public FixedReplyCmd<32> {
public:
    std::string typeName() const override { return "Telvane::QxQueryCapabilityCmdV2"; }
    void execute(CmdHandlerBase* handler, Socket replySocket) override;
    bool request(CmdClient& client, uint32_t (&capability)[8]);
};

// A picture answer: a big-endian length, then that many bytes. Lengths
// above kMaxLength are refused rather than allocated.
class PictureReply {
public:
    static constexpr uint32_t kMaxLength = 16u << 20;

    PictureReply() = default;
    ~PictureReply();
    PictureReply(const PictureReply&) = delete;
    PictureReply& operator=(const PictureReply&) = delete;

    void setSocket(Socket s) { socket_ = s; }
    // Sends on the stored socket; nothing without a socket, data or length.
    void send(const void* data, uint32_t length) const;
    bool read(Socket s);

    bool received() const { return received_; }
    const uint8_t* data() const { return bytes_; }
    uint32_t length() const { return length_; }

private:
    Socket socket_ = kNoSocket;
    bool received_ = false;
    uint32_t length_ = 0;
    uint8_t* bytes_ = nullptr;
};

// A still picture of the shared camera at the asked size.
class SnapshotCmd : public Cmd {
public:
    SnapshotCmd(uint8_t flag = 1, float width = 1024.0f, float height = 768.0f)
        : width_(width), height_(height), flag_(flag)
    {
    }
    std::string typeName() const override { return "Telvane::QxSnapshotCmd"; }
    void encode(Encoder& e) const override;
    void decode(Decoder& d) override;
    void execute(CmdHandlerBase* handler, Socket replySocket) override;
    bool readReply(Socket s) override { return reply_.read(s); }

    void sendReply(const void* data, uint32_t length) const { reply_.send(data, length); }
    // The picture, owned by the command, or null when no reply arrived.
    const uint8_t* request(CmdClient& client, uint32_t& length);

    float width() const { return width_; }
    float height() const { return height_; }
    uint8_t flag() const { return flag_; }

private:
    PictureReply reply_;
    float width_, height_;
    uint8_t flag_;
};

// A still picture at the camera's full resolution.
class HighQualitySnapshotCmd : public Cmd {
public:
    std::string typeName() const override { return "Telvane::QxHighQualitySnapshotCmd"; }
    void execute(CmdHandlerBase* handler, Socket replySocket) override;
    bool readReply(Socket s) override { return reply_.read(s); }

    void sendReply(const void* data, uint32_t length) const { reply_.send(data, length); }
    const uint8_t* request(CmdClient& client, uint32_t& length);

private:
    PictureReply reply_;
};

// A camera button press: a code and three argument bytes.
class DocCamCmd : public Cmd {
public:
    DocCamCmd(uint8_t code = 0, uint8_t arg1 = 0, uint8_t arg2 = 0, uint8_t arg3 = 0) : bytes_{code, arg1, arg2, arg3}
    {
    }
    std::string typeName() const override { return "Telvane::QxDocCamCmd"; }
    void encode(Encoder& e) const override;
    void decode(Decoder& d) override;
    void execute(CmdHandlerBase* handler, Socket replySocket) override;

    uint8_t code() const { return bytes_[0]; }
    uint8_t argument(int i) const { return bytes_[1 + i]; }

private:
    uint8_t bytes_[4];
};

class AnnotationCmd : public Cmd {
public:
    AnnotationCmd(Graphic* graphic = nullptr, bool ownsGraphic = false) : graphic_(graphic), ownsGraphic_(ownsGraphic)
    {
    }
    ~AnnotationCmd() override;
    AnnotationCmd(const AnnotationCmd&) = delete;
    AnnotationCmd& operator=(const AnnotationCmd&) = delete;

    std::string typeName() const override { return "Telvane::QxAnnotationCmd"; }
    // Only a command that carries a graphic has an encoding.
    void encode(Encoder& e) const override;
    void decode(Decoder& d) override;
    void execute(CmdHandlerBase* handler, Socket replySocket) override;

    Graphic* graphic() const { return graphic_; }

private:
    void releaseGraphic();

    Graphic* graphic_;
    bool ownsGraphic_;
};

class EraseAllAnnotationCmd : public Cmd {
public:
    std::string typeName() const override { return "Telvane::QxEraseAllAnnotationCmd"; }
    void execute(CmdHandlerBase* handler, Socket replySocket) override;
};

}  // namespace Telvane
