#pragma once
// Commands that stand outside the type registry: a console decodes none of
// them until someone registers them with TypeRegistry::add.
#include "telvane/Commands.h"

#include <cstdint>

namespace Telvane {
class GetContentCmd;
}

// Implemented by a handler that serves the unregistered commands; the
// commands reach it by a checked cast from the server's handler.
class GDNetworkSharingCmdHandler {
public:
    virtual void onContentRequest(Telvane::GetContentCmd* cmd, float width, float height) = 0;
    virtual void onGraphicReceived(const uint8_t* data, uint32_t size) = 0;
    virtual void onEraserReceived(const uint8_t* data, uint32_t size) = 0;

protected:
    ~GDNetworkSharingCmdHandler() = default;
};

namespace Telvane {

// Asks for the current picture at a given size; answered like a snapshot.
class GetContentCmd : public Cmd {
public:
    GetContentCmd(float width = 0.0f, float height = 0.0f) : width_(width), height_(height) {}
    std::string typeName() const override { return "GetContentCmd"; }
    void encode(Encoder& e) const override;
    void decode(Decoder& d) override;
    void execute(CmdHandlerBase* handler, Socket replySocket) override;
    bool readReply(Socket s) override { return reply_.read(s); }

    void sendReply(const void* data, uint32_t length) const { reply_.send(data, length); }
    // True when the picture arrived; it then stays with the command.
    bool request(CmdClient& client) { return sendAndWait(client); }
    const uint8_t* replyData() const { return reply_.data(); }
    uint32_t replyLength() const { return reply_.length(); }

    float width() const { return width_; }
    float height() const { return height_; }

private:
    PictureReply reply_;
    float width_, height_;
};

// A command whose body is a sized block of bytes.
class ByteBlockCmd : public Cmd {
public:
    ~ByteBlockCmd() override;
    ByteBlockCmd(const ByteBlockCmd&) = delete;
    ByteBlockCmd& operator=(const ByteBlockCmd&) = delete;

    void encode(Encoder& e) const override;
    void decode(Decoder& d) override;

    const uint8_t* data() const { return data_; }
    uint32_t size() const { return size_; }

protected:
    ByteBlockCmd() = default;
    // Takes a malloc buffer as the command's own.
    void adopt(uint8_t* data, uint32_t size);

    uint8_t* data_ = nullptr;
    uint32_t size_ = 0;
};

// Hands over an encoded graphic.
class SendGraphicCmd : public ByteBlockCmd {
public:
    SendGraphicCmd() = default;
    // Copies the bytes.
    SendGraphicCmd(const void* data, uint32_t size);
    std::string typeName() const override { return "SendGraphicCmd"; }
    void execute(CmdHandlerBase* handler, Socket replySocket) override;
};

// Hands over an eraser shape.
class EraserCmd : public ByteBlockCmd {
public:
    EraserCmd() = default;
    // Takes the buffer, which must come from malloc, as its own.
    EraserCmd(uint8_t* data, uint32_t size) { adopt(data, size); }
    std::string typeName() const override { return "EraserCmd"; }
    void execute(CmdHandlerBase* handler, Socket replySocket) override;
};

}  // namespace Telvane
