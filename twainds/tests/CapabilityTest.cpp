// The capability table against what the source promises: every row's
// containers, item type, accepted messages and values in one table, then the
// negotiation rules that the table alone does not show.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "Fix32.h"
#include "SourceFixture.h"

namespace {

// A container as the application reads it.
struct Answer {
    TW_UINT16 rc = TWRC_FAILURE;
    TW_UINT16 conType = 0;
    TW_UINT16 itemType = 0xFFFF;
    std::vector<double> items;  // ONEVALUE: one; ARRAY, ENUMERATION: the list; RANGE: min, max, step, default, current
    TW_UINT32 currentIndex = 0, defaultIndex = 0;
    std::vector<std::string> texts;
};

double ItemValue(TW_UINT16 type, const unsigned char* at)
{
    TW_UINT16 u16;
    std::memcpy(&u16, at, 2);
    if (type == TWTY_INT16) return TW_INT16(u16);
    if (type == TWTY_FIX32) {
        TW_FIX32 fix;
        std::memcpy(&fix, at, 4);
        return Fix32ToFloat(fix);
    }
    if (type == TWTY_UINT32) {
        TW_UINT32 u32;
        std::memcpy(&u32, at, 4);
        return u32;
    }
    return u16;
}

std::size_t ItemSize(TW_UINT16 type)
{
    return type == TWTY_FIX32 ? 4 : type == TWTY_FRAME ? 16 : type == TWTY_STR32 ? 34 : 2;
}

struct CapRig : SourceRig {
    CapRig() { Open(); }

    Answer Ask(TW_UINT16 cap, TW_UINT16 message)
    {
        TW_CAPABILITY capability{cap, 0, nullptr};
        Answer answer;
        answer.rc = Control(DAT_CAPABILITY, message, &capability);
        if (answer.rc != TWRC_SUCCESS) return answer;
        answer.conType = capability.ConType;
        LockedHandle locked(memory, capability.hContainer);
        const unsigned char* c = locked.Bytes();
        std::memcpy(&answer.itemType, c, 2);
        const TW_UINT16 type = answer.itemType;
        auto collect = [&](const unsigned char* list, TW_UINT32 count) {
            for (TW_UINT32 i = 0; i < count; ++i) {
                const unsigned char* at = list + i * ItemSize(type);
                if (type == TWTY_STR32)
                    answer.texts.emplace_back(reinterpret_cast<const char*>(at));
                else if (type == TWTY_FRAME)
                    for (int e = 0; e < 4; ++e) answer.items.push_back(ItemValue(TWTY_FIX32, at + 4 * e));
                else
                    answer.items.push_back(ItemValue(type, at));
            }
        };
        if (answer.conType == TWON_ONEVALUE) {
            collect(c + offsetof(TW_ONEVALUE, Item), 1);
        } else if (answer.conType == TWON_ARRAY) {
            TW_ARRAY head;
            std::memcpy(&head, c, offsetof(TW_ARRAY, ItemList));
            collect(c + offsetof(TW_ARRAY, ItemList), head.NumItems);
        } else if (answer.conType == TWON_ENUMERATION) {
            TW_ENUMERATION head;
            std::memcpy(&head, c, offsetof(TW_ENUMERATION, ItemList));
            answer.currentIndex = head.CurrentIndex;
            answer.defaultIndex = head.DefaultIndex;
            collect(c + offsetof(TW_ENUMERATION, ItemList), head.NumItems);
        } else if (answer.conType == TWON_RANGE) {
            collect(c + offsetof(TW_RANGE, MinValue), 1);
            collect(c + offsetof(TW_RANGE, MaxValue), 1);
            collect(c + offsetof(TW_RANGE, StepSize), 1);
            collect(c + offsetof(TW_RANGE, DefaultValue), 1);
            collect(c + offsetof(TW_RANGE, CurrentValue), 1);
        }
        memory.Free(capability.hContainer);
        return answer;
    }

    TW_UINT16 Set(TW_UINT16 cap, TW_UINT16 type, double value, TW_UINT16 conType = TWON_ONEVALUE)
    {
        TW_HANDLE handle = memory.Alloc(sizeof(TW_RANGE));
        {
            LockedHandle locked(memory, handle);
            TW_ONEVALUE one{type, 0};
            one.Item =
                type == TWTY_FIX32 ? Fix32Bits(FloatToFix32(float(value))) : TW_UINT32(TW_UINT16(TW_INT16(value)));
            std::memcpy(locked.Bytes(), &one, sizeof one);
        }
        TW_CAPABILITY capability{cap, conType, handle};
        const TW_UINT16 rc = Control(DAT_CAPABILITY, MSG_SET, &capability);
        memory.Free(handle);
        return rc;
    }
};

constexpr TW_UINT32 kGetOnly = 13, kAll = 31;
const TW_UINT16 E = TWON_ENUMERATION, O = TWON_ONEVALUE, R = TWON_RANGE;
const TW_UINT16 U16 = TWTY_UINT16, B = TWTY_BOOL, F = TWTY_FIX32, I16 = TWTY_INT16;

struct CapRow {
    TW_UINT16 id;
    TW_UINT16 type;
    TW_UINT16 getContainer;
    TW_UINT32 mask;
    std::vector<double> list;  // what MSG_GET lists (enumerations and ranges' min, max, step)
    double def;
};

// The rows with one plain value each; CAP_SUPPORTEDCAPS, ICAP_HALFTONES and
// ICAP_FRAMES have tests of their own below.
const CapRow kRows[] = {
    {CAP_FEEDERENABLED, B, O, kAll, {}, 0},
    {ICAP_PIXELFLAVOR, U16, E, kAll, {0, 1}, 0},
    {ICAP_XFERMECH, U16, E, kAll, {0, 1, 2}, 0},
    {ICAP_PLANARCHUNKY, U16, E, kGetOnly, {0, 1}, 0},
    {ICAP_COMPRESSION, U16, E, kAll, {0}, 0},
    {ICAP_MINIMUMWIDTH, F, O, kGetOnly, {}, 1},
    {ICAP_MINIMUMHEIGHT, F, O, kGetOnly, {}, 1},
    {ICAP_PHYSICALWIDTH, F, O, kGetOnly, {}, 10.24},
    {ICAP_PHYSICALHEIGHT, F, O, kGetOnly, {}, 7.68},
    {ICAP_UNITS, U16, E, kAll, {0, 1, 5}, 0},
    {CAP_DEVICEONLINE, B, O, kGetOnly, {}, 1},
    {CAP_AUTOFEED, B, O, kGetOnly, {}, 0},
    {CAP_FEEDERLOADED, B, O, kGetOnly, {}, 0},
    {ICAP_AUTOBRIGHT, B, O, kAll, {}, 0},
    {ICAP_BRIGHTNESS, F, R, kAll, {-1000, 1000, 1000}, 0},
    {ICAP_CONTRAST, F, R, kAll, {-1000, 1000, 1000}, 0},
    {ICAP_HIGHLIGHT, F, R, kAll, {0, 255, 1}, 128},
    {ICAP_ORIENTATION, U16, E, kAll, {0, 1, 2, 3}, 0},
    {ICAP_SHADOW, F, R, kAll, {0, 255, 1}, 128},
    {ICAP_XSCALING, F, E, kAll, {100}, 100},
    {ICAP_YSCALING, F, E, kAll, {100}, 100},
    {kBitDepthOfBw, U16, E, kAll, {1}, 1},
    {kBitDepthOfGray, U16, E, kAll, {8}, 8},
    {kBitDepthOfRgb, U16, E, kAll, {24}, 24},
    {ICAP_PIXELTYPE, U16, E, kAll, {0, 1, 2}, 2},
    {ICAP_BITDEPTHREDUCTION, U16, E, kAll, {0, 1, 3}, 0},
    {ICAP_BITORDER, U16, E, kGetOnly, {1, 0}, 1},
    {ICAP_THRESHOLD, F, R, kAll, {0, 255, 1}, 128},
    {ICAP_MAXFRAMES, U16, O, kGetOnly, {}, 1},
    {ICAP_SUPPORTEDSIZES, U16, E, kAll, {3}, 3},
    {ICAP_XNATIVERESOLUTION, F, O, kGetOnly, {}, 100},
    {ICAP_YNATIVERESOLUTION, F, O, kGetOnly, {}, 100},
    {ICAP_XRESOLUTION, F, E, kAll, {100}, 100},
    {ICAP_YRESOLUTION, F, E, kAll, {100}, 100},
    {CAP_XFERCOUNT, I16, O, kAll, {}, -1},
    {ICAP_IMAGEFILEFORMAT, U16, E, kAll, {0, 2}, 2},
    {ICAP_UNDEFINEDIMAGESIZE, B, O, kAll, {}, 0},
    {CAP_INDICATORS, B, O, kAll, {}, 1},
    {CAP_UICONTROLLABLE, B, O, kGetOnly, {}, 1},
};

void ExpectNear(const std::vector<double>& want, const std::vector<double>& got)
{
    ASSERT_EQ(want.size(), got.size());
    for (size_t i = 0; i < want.size(); ++i) EXPECT_NEAR(want[i], got[i], 1.0 / 65536) << "item " << i;
}

TEST(CapabilityTable, EveryRowAnswersEveryMessageAsListed)
{
    for (const CapRow& row : kRows) {
        SCOPED_TRACE(testing::Message() << "capability 0x" << std::hex << row.id);
        CapRig rig;

        const Answer get = rig.Ask(row.id, MSG_GET);
        ASSERT_EQ(TWRC_SUCCESS, get.rc);
        EXPECT_EQ(row.getContainer, get.conType);
        EXPECT_EQ(row.type, get.itemType);
        if (row.getContainer == E) {
            ExpectNear(row.list, get.items);
            EXPECT_EQ(get.items[get.defaultIndex], row.def);
            EXPECT_EQ(get.currentIndex, get.defaultIndex);
        } else if (row.getContainer == R) {
            std::vector<double> want = row.list;
            want.push_back(row.def);
            want.push_back(row.def);
            ExpectNear(want, get.items);
        } else {
            ExpectNear({row.def}, get.items);
        }

        for (TW_UINT16 message : {MSG_GETCURRENT, MSG_GETDEFAULT}) {
            const Answer one = rig.Ask(row.id, message);
            ASSERT_EQ(TWRC_SUCCESS, one.rc);
            EXPECT_EQ(TWON_ONEVALUE, one.conType);
            EXPECT_EQ(row.type, one.itemType);
            ExpectNear({row.def}, one.items);
        }

        const Answer support = rig.Ask(row.id, MSG_QUERYSUPPORT);
        EXPECT_EQ(TWON_ONEVALUE, support.conType);
        EXPECT_EQ(TWTY_UINT32, support.itemType);
        ExpectNear({double(row.mask)}, support.items);

        if (row.mask == kAll) {
            // CAP_FEEDERENABLED lists TRUE only, so its default cannot be set.
            const bool defaultListed = row.id != CAP_FEEDERENABLED;
            EXPECT_EQ(defaultListed ? TWRC_SUCCESS : TWRC_FAILURE, rig.Set(row.id, row.type, row.def))
                << "its own default";
            const Answer reset = rig.Ask(row.id, MSG_RESET);
            EXPECT_EQ(TWRC_SUCCESS, reset.rc);
            ExpectNear({row.def}, reset.items);
        } else {
            EXPECT_EQ(TWRC_FAILURE, rig.Set(row.id, row.type, row.def));
            EXPECT_EQ(TWCC_CAPBADOPERATION, rig.Status());
            EXPECT_EQ(TWRC_FAILURE, rig.Ask(row.id, MSG_RESET).rc);
            EXPECT_EQ(TWCC_CAPBADOPERATION, rig.Status());
        }
        EXPECT_EQ(TWRC_FAILURE, rig.Ask(row.id, MSG_GETNEXT).rc);
        EXPECT_EQ(TWCC_CAPUNSUPPORTED, rig.Status());
        EXPECT_EQ(0u, rig.memory.Live());
    }
}

TEST(CapabilityTable, SupportedCapsListsFortyIdsForEveryGet)
{
    const std::vector<double> ids = {0x1005, 0x1002, 0x0103, 0x111F, 0x1120, 0x0100, 0x1111, 0x1112, 0x1130, 0x1131,
                                     0x0102, 0x100F, 0x1007, 0x1003, 0x1100, 0x1101, 0x1103, 0x110A, 0x1110, 0x1113,
                                     0x1124, 0x1125, 0x0101, 0x112B, 0x112C, 0x111C, 0x1109, 0x1123, 0x1114, 0x111A,
                                     0x1122, 0x1116, 0x1117, 0x1118, 0x1119, 0x0001, 0x110C, 0x112D, 0x100B, 0x100E};
    CapRig rig;
    for (TW_UINT16 message : {MSG_GET, MSG_GETCURRENT, MSG_GETDEFAULT}) {
        const Answer answer = rig.Ask(CAP_SUPPORTEDCAPS, message);
        EXPECT_EQ(TWON_ARRAY, answer.conType);
        EXPECT_EQ(ids, answer.items);
    }
    ExpectNear({13}, rig.Ask(CAP_SUPPORTEDCAPS, MSG_QUERYSUPPORT).items);
    // Every listed id answers, ICAP_BITDEPTH through the pixel type's row.
    for (double id : ids) EXPECT_EQ(TWRC_SUCCESS, rig.Ask(TW_UINT16(id), MSG_GET).rc) << std::hex << id;
}

TEST(CapabilityTable, HalftonesAndFramesCarryTheirWideItems)
{
    CapRig rig;
    const Answer halftones = rig.Ask(ICAP_HALFTONES, MSG_GET);
    EXPECT_EQ(TWON_ENUMERATION, halftones.conType);
    EXPECT_EQ((std::vector<std::string>{"FLOYD/STEINBURG", "ORDERED"}), halftones.texts);
    EXPECT_EQ(0u, halftones.currentIndex);
    const Answer frames = rig.Ask(ICAP_FRAMES, MSG_GETCURRENT);
    EXPECT_EQ(TWTY_FRAME, frames.itemType);
    ExpectNear({0, 0, 10.24, 7.68}, frames.items);
}

TEST(Negotiation, RangesAcceptTheirGridAndDefaultOnly)
{
    struct Case {
        TW_UINT16 cap;
        double value;
        bool accepted;
    } cases[] = {
        {ICAP_BRIGHTNESS, 0, true},    {ICAP_BRIGHTNESS, 1000, true},  {ICAP_BRIGHTNESS, -1000, true},
        {ICAP_BRIGHTNESS, 500, false}, {ICAP_BRIGHTNESS, 2000, false}, {ICAP_HIGHLIGHT, 17, true},
        {ICAP_HIGHLIGHT, 17.5, false}, {ICAP_HIGHLIGHT, -1, false},    {ICAP_THRESHOLD, 255, true},
        {ICAP_THRESHOLD, 256, false},  {ICAP_SHADOW, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.cap << " " << c.value);
        CapRig rig;
        EXPECT_EQ(c.accepted ? TWRC_SUCCESS : TWRC_FAILURE, rig.Set(c.cap, F, c.value));
        EXPECT_EQ(c.accepted ? TWCC_SUCCESS : TWCC_BADVALUE, rig.Status());
        if (c.accepted) ExpectNear({c.value}, rig.Ask(c.cap, MSG_GETCURRENT).items);
    }
}

TEST(Negotiation, ValuesOutsideTheListOrInTheWrongFormAreRefused)
{
    CapRig rig;
    EXPECT_EQ(TWRC_FAILURE, rig.Set(CAP_FEEDERENABLED, B, 0));  // the list holds TRUE only
    EXPECT_EQ(TWCC_BADVALUE, rig.Status());
    EXPECT_EQ(TWRC_SUCCESS, rig.Set(CAP_FEEDERENABLED, B, 1));
    ExpectNear({0}, rig.Ask(CAP_FEEDERENABLED, MSG_RESET).items);
    EXPECT_EQ(TWRC_FAILURE, rig.Set(ICAP_XRESOLUTION, F, 200));
    EXPECT_EQ(TWRC_FAILURE, rig.Set(ICAP_PIXELTYPE, TWTY_UINT32, 1));  // wrong item type
    EXPECT_EQ(TWRC_FAILURE, rig.Set(ICAP_BRIGHTNESS, F, 1000, TWON_RANGE));
    EXPECT_EQ(TWCC_BADVALUE, rig.Status());
    EXPECT_EQ(TWRC_FAILURE, rig.Set(CAP_XFERCOUNT, I16, 26));
    EXPECT_EQ(TWRC_SUCCESS, rig.Set(CAP_XFERCOUNT, I16, 25));
    EXPECT_EQ(0u, rig.memory.Live());
}

TEST(Negotiation, PairedRowsShareTheirCurrentValue)
{
    CapRig rig;
    EXPECT_EQ(TWRC_SUCCESS, rig.Set(ICAP_XRESOLUTION, F, 100));
    EXPECT_EQ(TWRC_SUCCESS, rig.Set(ICAP_YSCALING, F, 100));
    ExpectNear({100}, rig.Ask(ICAP_YRESOLUTION, MSG_GETCURRENT).items);
    ExpectNear({100}, rig.Ask(ICAP_XSCALING, MSG_GETCURRENT).items);
}

TEST(Negotiation, BitDepthFollowsThePixelType)
{
    CapRig rig;
    ExpectNear({24}, rig.Ask(ICAP_BITDEPTH, MSG_GETCURRENT).items);
    ASSERT_EQ(TWRC_SUCCESS, rig.Set(ICAP_PIXELTYPE, U16, TWPT_GRAY));
    ExpectNear({8}, rig.Ask(ICAP_BITDEPTH, MSG_GET).items);
    ASSERT_EQ(TWRC_SUCCESS, rig.Set(ICAP_PIXELTYPE, U16, TWPT_BW));
    ExpectNear({1}, rig.Ask(ICAP_BITDEPTH, MSG_GET).items);
    EXPECT_EQ(TWRC_SUCCESS, rig.Set(ICAP_BITDEPTH, U16, 1));
    EXPECT_EQ(TWRC_FAILURE, rig.Set(ICAP_BITDEPTH, U16, 8));
}

TEST(Negotiation, AnOlderApplicationHearsBadCap)
{
    CapRig rig;
    rig.source.Entry(&rig.application, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, nullptr);
    rig.application = SourceRig::MakeApplication(1, 5);
    rig.Open();
    EXPECT_EQ(TWRC_FAILURE, rig.Ask(0x7777, MSG_GET).rc);
    EXPECT_EQ(TWCC_BADCAP, rig.Status());
    EXPECT_EQ(TWRC_FAILURE, rig.Set(CAP_UICONTROLLABLE, B, 1));
    EXPECT_EQ(TWCC_BADCAP, rig.Status());
}

TEST(Negotiation, ValuesOutliveClosingButTheTableDoesNot)
{
    CapRig rig;
    ASSERT_EQ(TWRC_SUCCESS, rig.Set(ICAP_PIXELTYPE, U16, TWPT_GRAY));
    rig.Control(DAT_IDENTITY, MSG_CLOSEDS, nullptr);
    EXPECT_EQ(TWRC_FAILURE, rig.Ask(ICAP_PIXELTYPE, MSG_GET).rc);
    EXPECT_EQ(TWCC_CAPUNSUPPORTED, rig.Status());
    rig.Open();
    ExpectNear({TWPT_GRAY}, rig.Ask(ICAP_PIXELTYPE, MSG_GETCURRENT).items);
}

TEST(Fix32, RoundsToTheNearestStepWithTheSign)
{
    struct Case {
        float value;
        TW_INT16 whole;
        TW_UINT16 frac;
    } cases[] = {
        {0, 0, 0},          {1000, 1000, 0},       {-1000, -1000, 0}, {10.24f, 10, 15729},
        {-0.5f, -1, 32768}, {-10.24f, -11, 49807}, {7.68f, 7, 44564}, {-0.000005f, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        const TW_FIX32 fix = FloatToFix32(c.value);
        EXPECT_EQ(c.whole, fix.Whole);
        EXPECT_EQ(c.frac, fix.Frac);
        EXPECT_NEAR(c.value, Fix32ToFloat(fix), 1.0 / 65536);
    }
}

}  // namespace
