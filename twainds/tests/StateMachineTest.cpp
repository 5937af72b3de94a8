// Every triplet the source knows (and a few it does not) in every state, one
// table: the return code, the condition code and the state it leaves.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>

#include "SourceFixture.h"

namespace {

struct Outcome {
    TW_UINT16 rc;
    TW_UINT16 cc;
    int state;  // 0: unchanged
};

constexpr Outcome Ok(int state = 0) { return {TWRC_SUCCESS, TWCC_SUCCESS, state}; }
constexpr Outcome Done(int state) { return {TWRC_XFERDONE, TWCC_SUCCESS, state}; }
constexpr Outcome Fails(TW_UINT16 cc) { return {TWRC_FAILURE, cc, 0}; }
constexpr Outcome kSeq = Fails(TWCC_SEQERROR);
constexpr Outcome kBad = Fails(TWCC_BADPROTOCOL);
constexpr Outcome kNotEvent = {TWRC_NOTDSEVENT, TWCC_SUCCESS, 0};

// The record each triplet is called with, kept alive for the call.
struct Records {
    unsigned char bytes[4096] = {};
    unsigned char strip[262143] = {};
    TW_IMAGEMEMXFER memXfer{};
    std::string fileName;

    void* Plain() { return bytes; }
    void* ShownUI()
    {
        auto* ui = reinterpret_cast<TW_USERINTERFACE*>(bytes);
        ui->ShowUI = 1;
        return ui;
    }
    void* Capability(TW_UINT16 cap)
    {
        auto* capability = reinterpret_cast<TW_CAPABILITY*>(bytes);
        capability->Cap = cap;
        return capability;
    }
    void* FileSetup(const std::string& name)
    {
        fileName = name;
        auto* setup = reinterpret_cast<TW_SETUPFILEXFER*>(bytes);
        std::snprintf(setup->FileName, sizeof setup->FileName, "%s", name.c_str());
        setup->Format = TWFF_BMP;
        return setup;
    }
    void* MemoryStrip()
    {
        memXfer.Memory = TW_MEMORY{TWMF_APPOWNS | TWMF_POINTER, sizeof strip, strip};
        return &memXfer;
    }
    void* Events()
    {
        auto* event = reinterpret_cast<TW_EVENT*>(bytes);
        event->TWMessage = 0x4242;
        return event;
    }
};

struct TripletCase {
    const char* name;
    TW_UINT32 group;
    TW_UINT16 dat;
    TW_UINT16 message;
    std::function<void*(Records&)> record;
    Outcome in[5];  // states 300, 400, 500, 600, 700
};

std::string TempFile(const char* name) { return ::testing::TempDir() + name; }

const TripletCase kCases[] = {
    {"IDENTITY/GET", DG_CONTROL, DAT_IDENTITY, MSG_GET, &Records::Plain, {Ok(), Ok(), Ok(), Ok(), Ok()}},
    {"IDENTITY/OPENDS", DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &Records::Plain, {Ok(400), kSeq, kSeq, kSeq, kSeq}},
    {"IDENTITY/CLOSEDS",
     DG_CONTROL,
     DAT_IDENTITY,
     MSG_CLOSEDS,
     &Records::Plain,
     {kSeq, Ok(300), Ok(300), Ok(300), Ok(300)}},
    {"IDENTITY/USERSELECT", DG_CONTROL, DAT_IDENTITY, MSG_USERSELECT, &Records::Plain, {kBad, kBad, kBad, kBad, kBad}},
    {"USERINTERFACE/ENABLEDS",
     DG_CONTROL,
     DAT_USERINTERFACE,
     MSG_ENABLEDS,
     &Records::ShownUI,
     {kSeq, Ok(500), kSeq, kSeq, kSeq}},
    {"USERINTERFACE/DISABLEDS",
     DG_CONTROL,
     DAT_USERINTERFACE,
     MSG_DISABLEDS,
     &Records::Plain,
     {kSeq, kSeq, Ok(400), Ok(400), Ok(400)}},
    {"USERINTERFACE/ENABLEDSUIONLY",
     DG_CONTROL,
     DAT_USERINTERFACE,
     MSG_ENABLEDSUIONLY,
     &Records::ShownUI,
     {kBad, kBad, kBad, kBad, kBad}},
    {"CAPABILITY/GETCURRENT",
     DG_CONTROL,
     DAT_CAPABILITY,
     MSG_GETCURRENT,
     [](Records& r) { return r.Capability(ICAP_XFERMECH); },
     {Fails(TWCC_CAPUNSUPPORTED), Ok(), Ok(), Ok(), Ok()}},
    {"STATUS/GET", DG_CONTROL, DAT_STATUS, MSG_GET, &Records::Plain, {Ok(), Ok(), Ok(), Ok(), Ok()}},
    {"STATUS/SET", DG_CONTROL, DAT_STATUS, MSG_SET, &Records::Plain, {kBad, kBad, kBad, kBad, kBad}},
    {"PENDINGXFERS/GET", DG_CONTROL, DAT_PENDINGXFERS, MSG_GET, &Records::Plain, {kSeq, Ok(), Ok(), Ok(), Ok()}},
    {"PENDINGXFERS/ENDXFER",
     DG_CONTROL,
     DAT_PENDINGXFERS,
     MSG_ENDXFER,
     &Records::Plain,
     {kSeq, kSeq, kSeq, kSeq, Ok(500)}},
    {"PENDINGXFERS/RESET",
     DG_CONTROL,
     DAT_PENDINGXFERS,
     MSG_RESET,
     &Records::Plain,
     {kSeq, kSeq, kSeq, Ok(500), Ok(500)}},
    {"PENDINGXFERS/SET", DG_CONTROL, DAT_PENDINGXFERS, MSG_SET, &Records::Plain, {kBad, kBad, kBad, kBad, kBad}},
    {"SETUPMEMXFER/GET", DG_CONTROL, DAT_SETUPMEMXFER, MSG_GET, &Records::Plain, {kSeq, Ok(), Ok(), Ok(), kSeq}},
    {"SETUPMEMXFER/SET", DG_CONTROL, DAT_SETUPMEMXFER, MSG_SET, &Records::Plain, {kSeq, kBad, kBad, kBad, kSeq}},
    {"SETUPFILEXFER/GET", DG_CONTROL, DAT_SETUPFILEXFER, MSG_GET, &Records::Plain, {kSeq, Ok(), Ok(), Ok(), kSeq}},
    {"SETUPFILEXFER/SET",
     DG_CONTROL,
     DAT_SETUPFILEXFER,
     MSG_SET,
     [](Records& r) { return r.FileSetup(TempFile("setup.bmp")); },
     {kSeq, Ok(), Ok(), Ok(), kSeq}},
    {"SETUPFILEXFER/QUERYSUPPORT",
     DG_CONTROL,
     DAT_SETUPFILEXFER,
     MSG_QUERYSUPPORT,
     &Records::Plain,
     {kSeq, kBad, kBad, kBad, kSeq}},
    {"XFERGROUP/GET", DG_CONTROL, DAT_XFERGROUP, MSG_GET, &Records::Plain, {kSeq, Ok(), Ok(), Ok(), kSeq}},
    {"XFERGROUP/SET", DG_CONTROL, DAT_XFERGROUP, MSG_SET, &Records::Plain, {kSeq, Ok(), Ok(), Ok(), kSeq}},
    {"XFERGROUP/GETNEXT", DG_CONTROL, DAT_XFERGROUP, MSG_GETNEXT, &Records::Plain, {kSeq, kBad, kBad, kBad, kSeq}},
    {"EVENT/PROCESSEVENT",
     DG_CONTROL,
     DAT_EVENT,
     MSG_PROCESSEVENT,
     &Records::Events,
     {kNotEvent, kNotEvent, kNotEvent, kNotEvent, kNotEvent}},
    {"control DAT 0x0F00", DG_CONTROL, 0x0F00, MSG_GET, &Records::Plain, {kBad, kBad, kBad, kBad, kBad}},
    {"IMAGEINFO/GET", DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &Records::Plain, {kSeq, kSeq, kSeq, Ok(), kSeq}},
    {"IMAGEINFO/SET", DG_IMAGE, DAT_IMAGEINFO, MSG_SET, &Records::Plain, {kSeq, kSeq, kSeq, kBad, kSeq}},
    {"IMAGELAYOUT/GET", DG_IMAGE, DAT_IMAGELAYOUT, MSG_GET, &Records::Plain, {Ok(), Ok(), Ok(), Ok(), Ok()}},
    {"IMAGELAYOUT/SET", DG_IMAGE, DAT_IMAGELAYOUT, MSG_SET, &Records::Plain, {Ok(), Ok(), Ok(), Ok(), Ok()}},
    {"IMAGELAYOUT/GETNEXT", DG_IMAGE, DAT_IMAGELAYOUT, MSG_GETNEXT, &Records::Plain, {kBad, kBad, kBad, kBad, kBad}},
    {"IMAGENATIVEXFER/GET",
     DG_IMAGE,
     DAT_IMAGENATIVEXFER,
     MSG_GET,
     &Records::Plain,
     {kSeq, kSeq, kSeq, Done(700), kSeq}},
    {"IMAGEMEMXFER/GET",
     DG_IMAGE,
     DAT_IMAGEMEMXFER,
     MSG_GET,
     &Records::MemoryStrip,
     {kSeq, kSeq, kSeq, Done(700), Fails(TWCC_OPERATIONERROR)}},
    {"IMAGEFILEXFER/GET", DG_IMAGE, DAT_IMAGEFILEXFER, MSG_GET, &Records::Plain, {kSeq, kSeq, kSeq, Done(700), kSeq}},
    {"PALETTE8/GET", DG_IMAGE, DAT_PALETTE8, MSG_GET, &Records::Plain, {kSeq, Ok(), Ok(), Ok(), kSeq}},
    {"PALETTE8/GETNEXT", DG_IMAGE, DAT_PALETTE8, MSG_GETNEXT, &Records::Plain, {kSeq, kBad, kBad, kBad, kSeq}},
    {"GRAYRESPONSE/RESET", DG_IMAGE, DAT_GRAYRESPONSE, MSG_RESET, &Records::Plain, {Ok(), Ok(), Ok(), Ok(), Ok()}},
    {"RGBRESPONSE/SET", DG_IMAGE, DAT_RGBRESPONSE, MSG_SET, &Records::Plain, {Ok(), Ok(), Ok(), Ok(), Ok()}},
    {"CIECOLOR/GET", DG_IMAGE, DAT_CIECOLOR, MSG_GET, &Records::Plain, {kBad, kBad, kBad, kBad, kBad}},
    {"JPEGCOMPRESSION/GET", DG_IMAGE, DAT_JPEGCOMPRESSION, MSG_GET, &Records::Plain, {Ok(), Ok(), Ok(), Ok(), Ok()}},
    {"EXTIMAGEINFO/GET", DG_IMAGE, DAT_EXTIMAGEINFO, MSG_GET, &Records::Plain, {kSeq, kSeq, kSeq, kSeq, Ok()}},
    {"image DAT 0x01FF", DG_IMAGE, 0x01FF, MSG_GET, &Records::Plain, {kBad, kBad, kBad, kBad, kBad}},
    {"DG 4", 4, DAT_IDENTITY, MSG_GET, &Records::Plain, {kBad, kBad, kBad, kBad, kBad}},
};

const int kStates[5] = {300, 400, 500, 600, 700};

TEST(TripletTable, EveryTripletInEveryStateGivesTheStandardCodesAndState)
{
    for (const TripletCase& c : kCases) {
        for (int i = 0; i < 5; ++i) {
            SCOPED_TRACE(std::string(c.name) + " in state " + std::to_string(kStates[i]));
            SourceRig rig;
            rig.DriveTo(kStates[i]);
            if (kStates[i] >= 400 && kStates[i] <= 600) rig.SetFileName(TempFile("table.bmp"));
            ASSERT_EQ(kStates[i], rig.source.State());
            ASSERT_EQ(TWCC_SUCCESS, rig.Status());
            Records records;
            TW_UINT16 rc = rig.Call(c.group, c.dat, c.message, c.record(records));
            const Outcome& want = c.in[i];
            EXPECT_EQ(want.rc, rc);
            EXPECT_EQ(want.state ? want.state : kStates[i], rig.source.State());
            EXPECT_EQ(want.cc, rig.Status());
        }
    }
}

TEST(TripletTable, StatusReportsTheLastFailureOnceAndSuccessesLeaveIt)
{
    SourceRig rig;
    EXPECT_EQ(TWRC_FAILURE, rig.Control(DAT_IDENTITY, MSG_CLOSEDS, nullptr));
    TW_IDENTITY identity{};
    EXPECT_EQ(TWRC_SUCCESS, rig.Control(DAT_IDENTITY, MSG_GET, &identity));  // leaves the code
    EXPECT_EQ(TWCC_SEQERROR, rig.Status());
    EXPECT_EQ(TWCC_SUCCESS, rig.Status());
}

TEST(TripletTable, AnotherApplicationsCallChangesNothing)
{
    SourceRig rig;
    rig.DriveTo(600);
    rig.Control(DAT_IDENTITY, MSG_USERSELECT, nullptr);  // a code waiting to be read
    TW_IDENTITY stranger = SourceRig::MakeApplication(1, 9);
    stranger.Id = 99;
    TW_HANDLE dib = nullptr;
    EXPECT_EQ(TWRC_FAILURE, rig.source.Entry(&stranger, DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &dib));
    EXPECT_EQ(TWRC_FAILURE, rig.source.Entry(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, nullptr));
    EXPECT_EQ(nullptr, dib);
    EXPECT_EQ(600, rig.source.State());
    EXPECT_EQ(TWCC_BADPROTOCOL, rig.Status());
}

TEST(TripletTable, ProcessEventLeavesTheMessageAlone)
{
    SourceRig rig;
    rig.DriveTo(500);
    TW_EVENT event{nullptr, 0x4242};
    EXPECT_EQ(TWRC_NOTDSEVENT, rig.Control(DAT_EVENT, MSG_PROCESSEVENT, &event));
    EXPECT_EQ(0x4242, event.TWMessage);
}

TEST(Enable, WithTheWindowItAnswersModalAndWaitsForTheUser)
{
    SourceRig rig;
    rig.Open();
    TW_USERINTERFACE ui{1, 0, nullptr};
    EXPECT_EQ(TWRC_SUCCESS, rig.Control(DAT_USERINTERFACE, MSG_ENABLEDS, &ui));
    EXPECT_EQ(1, ui.ModalUI);
    EXPECT_TRUE(rig.device.lastShowUI);
    EXPECT_TRUE(rig.device.notifications.empty());
    EXPECT_EQ(500, rig.source.State());
}

TEST(Enable, WithoutTheWindowItSignalsTransferReadyFromStateFive)
{
    SourceRig rig;
    rig.Open();
    EXPECT_EQ(TWRC_SUCCESS, rig.Enable(false));
    EXPECT_EQ(600, rig.source.State());
    EXPECT_EQ(std::vector<TW_UINT16>{MSG_XFERREADY}, rig.device.notifications);
}

TEST(Enable, ACameraThatCannotStartLeavesTheSourceOpen)
{
    SourceRig rig;
    rig.Open();
    rig.device.startSucceeds = false;
    EXPECT_EQ(TWRC_FAILURE, rig.Enable(false));
    EXPECT_EQ(TWCC_OPERATIONERROR, rig.Status());
    EXPECT_EQ(400, rig.source.State());
    rig.device.startSucceeds = true;
    EXPECT_EQ(TWRC_SUCCESS, rig.Enable(true));  // the application may try again
}

TEST(Enable, NoPictureWithinTheWaitFailsAndStopsTheCamera)
{
    SourceRig rig;
    rig.Open();
    rig.device.pictureArrives = false;
    EXPECT_EQ(TWRC_FAILURE, rig.Enable(false));
    EXPECT_EQ(TWCC_OPERATIONERROR, rig.Status());
    EXPECT_EQ(400, rig.source.State());
    EXPECT_FALSE(rig.device.running);
    EXPECT_TRUE(rig.device.notifications.empty());
}

TEST(Close, WhileEnabledTheSourceIsDisabledFirst)
{
    for (int state : {500, 600, 700}) {
        SCOPED_TRACE(state);
        SourceRig rig;
        rig.DriveTo(state);
        EXPECT_EQ(TWRC_SUCCESS, rig.Control(DAT_IDENTITY, MSG_CLOSEDS, nullptr));
        EXPECT_EQ(1, rig.device.closes);
        EXPECT_FALSE(rig.device.running);
        EXPECT_EQ(0u, rig.memory.Live());
    }
}

TEST(TransferReady, OnlyAnEnabledSourceSignalsIt)
{
    for (int state : {300, 400, 600, 700}) {
        SCOPED_TRACE(state);
        SourceRig rig;
        rig.DriveTo(state);
        rig.device.notifications.clear();
        rig.source.NotifyXferReady();
        EXPECT_EQ(state, rig.source.State());
        EXPECT_TRUE(rig.device.notifications.empty());
    }
    SourceRig rig;
    rig.DriveTo(500);
    rig.source.NotifyXferReady();
    EXPECT_EQ(600, rig.source.State());
    EXPECT_EQ(std::vector<TW_UINT16>{MSG_XFERREADY}, rig.device.notifications);
}

TEST(TransferReady, ACloseRequestLeavesTheState)
{
    SourceRig rig;
    rig.DriveTo(500);
    rig.source.NotifyCloseRequest();
    EXPECT_EQ(500, rig.source.State());
    EXPECT_EQ(std::vector<TW_UINT16>{MSG_CLOSEDSREQ}, rig.device.notifications);
}

TEST(PendingTransfers, CountsWithoutAndWithTheFeeder)
{
    SourceRig rig;
    rig.DriveTo(600);
    TW_PENDINGXFERS pending{0xEE, 0};
    rig.Control(DAT_PENDINGXFERS, MSG_GET, &pending);
    EXPECT_EQ(1, pending.Count);
    TW_HANDLE dib = nullptr;
    rig.Image(DAT_IMAGENATIVEXFER, MSG_GET, &dib);
    rig.memory.Free(dib);
    rig.Control(DAT_PENDINGXFERS, MSG_GET, &pending);
    EXPECT_EQ(0, pending.Count);
    EXPECT_EQ(TWRC_SUCCESS, rig.Control(DAT_PENDINGXFERS, MSG_ENDXFER, &pending));
    EXPECT_EQ(0, pending.Count);
    EXPECT_EQ(500, rig.source.State());

    rig.source.Capabilities().SetFeederEnabled(true);
    rig.source.NotifyXferReady();
    pending.Count = 0xEE;
    rig.Control(DAT_PENDINGXFERS, MSG_GET, &pending);
    EXPECT_EQ(0, pending.Count);
}

TEST(PendingTransfers, EndTransferOutsideStateSevenIsRefusedWithACount)
{
    SourceRig rig;
    rig.DriveTo(600);
    TW_PENDINGXFERS pending{0xEE, 0};
    EXPECT_EQ(TWRC_FAILURE, rig.Control(DAT_PENDINGXFERS, MSG_ENDXFER, &pending));
    EXPECT_EQ(TWCC_SEQERROR, rig.Status());
    EXPECT_EQ(0, pending.Count);
    EXPECT_EQ(600, rig.source.State());
}

}  // namespace
