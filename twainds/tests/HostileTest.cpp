// Records an application gets wrong: missing records, containers of the
// wrong kind or too small for their item, handles the source never made,
// strip buffers the record overstates, names without an end. Each is refused
// with a condition code; under the sanitizers any stray read or write fails.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "Fix32.h"
#include "SourceFixture.h"

namespace {

struct NullRecord {
    TW_UINT32 group;
    TW_UINT16 dat;
    TW_UINT16 message;
    int state;
};

TEST(HostileRecords, AMissingRecordIsABadValue)
{
    const NullRecord cases[] = {
        {DG_CONTROL, DAT_IDENTITY, MSG_GET, 300},
        {DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, 300},
        {DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, 400},
        {DG_CONTROL, DAT_CAPABILITY, MSG_GET, 400},
        {DG_CONTROL, DAT_STATUS, MSG_GET, 400},
        {DG_CONTROL, DAT_PENDINGXFERS, MSG_GET, 600},
        {DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, 700},
        {DG_CONTROL, DAT_SETUPMEMXFER, MSG_GET, 400},
        {DG_CONTROL, DAT_SETUPFILEXFER, MSG_SET, 400},
        {DG_CONTROL, DAT_XFERGROUP, MSG_GET, 400},
        {DG_IMAGE, DAT_IMAGEINFO, MSG_GET, 600},
        {DG_IMAGE, DAT_IMAGELAYOUT, MSG_GET, 600},
        {DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, 600},
        {DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, 600},
        {DG_IMAGE, DAT_PALETTE8, MSG_GET, 600},
        {DG_IMAGE, DAT_GRAYRESPONSE, MSG_SET, 600},
        {DG_IMAGE, DAT_EXTIMAGEINFO, MSG_GET, 700},
    };
    for (const NullRecord& c : cases) {
        SCOPED_TRACE(testing::Message() << c.group << "/" << std::hex << c.dat << "/" << c.message);
        SourceRig rig;
        rig.DriveTo(c.state);
        EXPECT_EQ(TWRC_FAILURE, rig.Call(c.group, c.dat, c.message, nullptr));
        EXPECT_EQ(c.state, rig.source.State());
        if (c.dat != DAT_STATUS) {
            EXPECT_EQ(TWCC_BADVALUE, rig.Status());
        }
        EXPECT_EQ(0u, rig.memory.Live());
    }
}

TEST(HostileRecords, OpeningWithoutAnOriginIsRefused)
{
    SourceRig rig;
    TW_IDENTITY assigned{};
    EXPECT_EQ(TWRC_FAILURE, rig.source.Entry(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &assigned));
    EXPECT_EQ(300, rig.source.State());
}

TEST(HostileRecords, BeforeOpeningTheOriginIsNeverRead)
{
    // The source manager passes junk while it looks for sources.
    SourceRig rig;
    auto junk = std::make_unique<unsigned char[]>(1);
    TW_IDENTITY identity{};
    EXPECT_EQ(TWRC_SUCCESS, rig.source.Entry(reinterpret_cast<TW_IDENTITY*>(junk.get()), DG_CONTROL, DAT_IDENTITY,
                                             MSG_GET, &identity));
    EXPECT_STREQ("DovraOrbile DocCam TWAIN", identity.ProductName);
    EXPECT_EQ(156u, sizeof identity);
}

// A SET container: `bytes` long, starting with the item type, then the item.
struct Container {
    TestMemory& memory;
    TW_HANDLE handle;
    Container(TestMemory& memory, std::size_t bytes, TW_UINT16 type, TW_UINT32 item)
        : memory(memory), handle(memory.Alloc(bytes))
    {
        unsigned char head[6];
        std::memcpy(head, &type, 2);
        std::memcpy(head + 2, &item, 4);
        std::memcpy(memory.Lock(handle), head, std::min<std::size_t>(bytes, sizeof head));
    }
    ~Container() { memory.Free(handle); }
};

TEST(HostileRecords, CapabilityContainersThatLieAreRefused)
{
    SourceRig rig;
    rig.Open();
    const TW_UINT32 hundred = Fix32Bits(FloatToFix32(100));
    struct Case {
        const char* what;
        TW_UINT16 cap;
        TW_UINT16 conType;
        std::size_t bytes;  // 0: no container at all
        TW_UINT16 type;
        TW_UINT32 item;
    } cases[] = {
        {"no container", ICAP_XRESOLUTION, TWON_ONEVALUE, 0, TWTY_FIX32, hundred},
        {"shorter than a one-value", ICAP_XRESOLUTION, TWON_ONEVALUE, 4, TWTY_FIX32, hundred},
        {"frame in a six-byte one-value", ICAP_FRAMES, TWON_ONEVALUE, 6, TWTY_FRAME, 0},
        {"string in a six-byte one-value", ICAP_HALFTONES, TWON_ONEVALUE, 6, TWTY_STR32, 0},
        {"enumeration", ICAP_PIXELTYPE, TWON_ENUMERATION, 64, TWTY_UINT16, 0},
        {"array", ICAP_PIXELTYPE, TWON_ARRAY, 64, TWTY_UINT16, 0},
        {"unknown container", ICAP_PIXELTYPE, 99, 64, TWTY_UINT16, 0},
        {"item type of another capability", ICAP_PIXELTYPE, TWON_ONEVALUE, 6, TWTY_FIX32, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::unique_ptr<Container> container;
        if (c.bytes) container = std::make_unique<Container>(rig.memory, c.bytes, c.type, c.item);
        TW_CAPABILITY capability{c.cap, c.conType, container ? container->handle : nullptr};
        EXPECT_EQ(TWRC_FAILURE, rig.Control(DAT_CAPABILITY, MSG_SET, &capability));
        EXPECT_EQ(TWCC_BADVALUE, rig.Status());
    }
    // A handle the source never made, or one already freed.
    TW_HANDLE freed = rig.memory.Alloc(6);
    rig.memory.Free(freed);
    unsigned char stack[6] = {};
    for (TW_HANDLE foreign : {freed, static_cast<TW_HANDLE>(stack)}) {
        TW_CAPABILITY capability{ICAP_PIXELTYPE, TWON_ONEVALUE, foreign};
        EXPECT_EQ(TWRC_FAILURE, rig.Control(DAT_CAPABILITY, MSG_SET, &capability));
        EXPECT_EQ(TWCC_BADVALUE, rig.Status());
    }
    EXPECT_EQ(0u, rig.memory.Live());
}

TEST(HostileRecords, MemoryStripsStayInsideTheBuffer)
{
    SourceRig rig;
    rig.DriveTo(600);
    TW_IMAGEMEMXFER xfer{};
    xfer.Memory = TW_MEMORY{TWMF_APPOWNS | TWMF_POINTER, 1 << 20, nullptr};
    EXPECT_EQ(TWRC_FAILURE, rig.Image(DAT_IMAGEMEMXFER, MSG_GET, &xfer));
    EXPECT_EQ(TWCC_BADVALUE, rig.Status());

    unsigned char stack[8];
    xfer.Memory = TW_MEMORY{TWMF_APPOWNS | TWMF_HANDLE, 1 << 20, stack};  // not a handle
    EXPECT_EQ(TWRC_FAILURE, rig.Image(DAT_IMAGEMEMXFER, MSG_GET, &xfer));
    EXPECT_EQ(TWCC_BADVALUE, rig.Status());

    // A handle of two rows whose record claims a megabyte: two rows come.
    TW_HANDLE small = rig.memory.Alloc(2 * 64 * 3);
    xfer.Memory = TW_MEMORY{TWMF_APPOWNS | TWMF_HANDLE, 1 << 20, small};
    EXPECT_EQ(TWRC_SUCCESS, rig.Image(DAT_IMAGEMEMXFER, MSG_GET, &xfer));
    EXPECT_EQ(2u, TW_UINT32(xfer.Rows));
    rig.memory.Free(small);
}

TEST(HostileRecords, AFileNameWithoutItsEndIsCutAt255)
{
    SourceRig rig;
    rig.Open();
    TW_SETUPFILEXFER setup;
    std::memset(&setup, 'a', sizeof setup);
    setup.Format = TWFF_BMP;
    const std::string folder = ::testing::TempDir();
    ASSERT_LT(folder.size(), 200u);
    std::memcpy(setup.FileName, folder.data(), folder.size());
    // 256 characters, no terminating zero; the source takes the first 255.
    const TW_UINT16 rc = rig.Control(DAT_SETUPFILEXFER, MSG_SET, &setup);
    TW_SETUPFILEXFER back{};
    rig.Control(DAT_SETUPFILEXFER, MSG_GET, &back);
    if (rc == TWRC_SUCCESS) {
        EXPECT_EQ(255u, std::strlen(back.FileName));
        std::remove(back.FileName);
    } else {
        EXPECT_EQ(TWCC_BADVALUE, rig.Status());  // a name too long for the file system
        EXPECT_STREQ("c:\\twain.bmp", back.FileName);
    }
    setup.Format = 77;
    EXPECT_EQ(TWRC_FAILURE, rig.Control(DAT_SETUPFILEXFER, MSG_SET, &setup));
    EXPECT_EQ(TWCC_BADVALUE, rig.Status());
}

TEST(HostileRecords, ExtendedInfoWithNoEntriesIsLeftAlone)
{
    SourceRig rig;
    rig.DriveTo(700);
    TW_EXTIMAGEINFO info{};
    info.Info[0].ReturnCode = 0x55;
    EXPECT_EQ(TWRC_SUCCESS, rig.Image(DAT_EXTIMAGEINFO, MSG_GET, &info));
    EXPECT_EQ(0x55, info.Info[0].ReturnCode);
    info.NumInfos = 1;
    EXPECT_EQ(TWRC_SUCCESS, rig.Image(DAT_EXTIMAGEINFO, MSG_GET, &info));
    EXPECT_EQ(TWRC_INFONOTSUPPORTED, info.Info[0].ReturnCode);
}

}  // namespace
