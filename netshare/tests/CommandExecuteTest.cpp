// Which handler slot each command reaches, and that a handler lacking the
// interface a command needs makes the command do nothing.
#include "telvane/Commands.h"
#include "telvane/UnregisteredCmds.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>

using namespace Telvane;
using ::testing::_;
using ::testing::ElementsAre;
using ::testing::Pointee;

namespace {

class AddressOnly : public CmdHandlerBase {
public:
    MOCK_METHOD(void, onQueryMulticastAddress, (Socket), (override));
};

class SharingHandler : public CmdHandlerBase, public GDNetworkSharingCmdHandler {
public:
    MOCK_METHOD(void, onQueryMulticastAddress, (Socket), (override));
    MOCK_METHOD(void, onContentRequest, (GetContentCmd*, float, float), (override));
    MOCK_METHOD(void, onGraphicReceived, (const uint8_t*, uint32_t), (override));
    MOCK_METHOD(void, onEraserReceived, (const uint8_t*, uint32_t), (override));
};

TEST(CommandExecuteTest, HandlerWithoutTheInterfaceMakesCommandsDoNothing)
{
    AddressOnly handler;
    EXPECT_CALL(handler, onQueryMulticastAddress(Socket(7)));
    QueryMulticastAddressCmd().execute(&handler, 7);

    // None of these may reach a slot the handler does not have.
    QueryCapabilityCmd().execute(&handler, 7);
    QueryCapabilityCmdV2().execute(&handler, 7);
    DocCamCmd('+').execute(&handler, 7);
    AnnotationCmd(new RectGraphic, true).execute(&handler, 7);
    EraseAllAnnotationCmd().execute(&handler, 7);
    SnapshotCmd().execute(&handler, 7);
    HighQualitySnapshotCmd().execute(&handler, 7);
    GetContentCmd(1, 2).execute(&handler, 7);
    SendGraphicCmd("x", 1).execute(&handler, 7);

    QueryMulticastAddressCmd().execute(nullptr, 7);
    DocCamCmd('+').execute(nullptr, 7);
}

TEST(CommandExecuteTest, UnregisteredCommandsReachTheSharingHandler)
{
    SharingHandler handler;
    GetContentCmd content(640.0f, 480.0f);
    EXPECT_CALL(handler, onContentRequest(&content, 640.0f, 480.0f));
    content.execute(&handler, 9);

    const uint8_t graphic[] = {1, 2, 3};
    EXPECT_CALL(handler, onGraphicReceived(Pointee(1), 3u));
    SendGraphicCmd(graphic, 3).execute(&handler, 9);

    uint8_t* eraser = static_cast<uint8_t*>(std::malloc(2));
    eraser[0] = 5, eraser[1] = 6;
    EXPECT_CALL(handler, onEraserReceived(Pointee(5), 2u));
    EraserCmd(eraser, 2).execute(&handler, 9);

    // Without data there is nothing to hand over.
    EXPECT_CALL(handler, onGraphicReceived(_, _)).Times(0);
    SendGraphicCmd(nullptr, 0).execute(&handler, 9);
}

}  // namespace
