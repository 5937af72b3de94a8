#include <gtest/gtest.h>

#include "DeviceEvent.h"

namespace {

TEST(DeviceEvent, OnlyTheCameraFamilySpellingsCountAndTheSiblingDeviceNever)
{
    struct Case {
        const wchar_t* name;
        bool camera;
    };
    const Case cases[] = {
        {L"\\\\?\\USB#VID_1234&PID_FF01#5&1a2b#{65e8773d-8f56-11d0-a3b9-00a0c9223196}", true},
        {L"\\\\?\\usb#vid_1234&pid_ff02#5&1a2b#{65e8773d}", true},
        {L"\\\\?\\USB#VID_1234&PID_FF06#5&1a2b", false},
        {L"\\\\?\\usb#vid_1234&pid_ff06#5&1a2b", false},
        {L"\\\\?\\USB#VID_1234&PID_FF01&MI_00#ff06", false},  // sibling mark anywhere
        {L"\\\\?\\USB#VID_1234&PID_Ff01#5&1a2b", false},      // mixed case is not ours
        {L"\\\\?\\USB#VID_1234&PID_fF01#5&1a2b", false},
        {L"\\\\?\\HID#VID_046D&PID_C077#7&2b1c", false},
        {L"", false},
    };
    for (const Case& c : cases) EXPECT_EQ(c.camera, IsCameraDeviceEvent(c.name, 256)) << testing::PrintToString(c.name);
    EXPECT_FALSE(IsCameraDeviceEvent(nullptr, 256));
}

TEST(DeviceEvent, ReadsNoFurtherThanTheRecordHolds)
{
    // An unterminated name: the mark beyond the record's end is not seen.
    const wchar_t name[] = {L'a', L'b', L'F', L'F', L'0', L'1'};
    EXPECT_FALSE(IsCameraDeviceEvent(name, 3));
    EXPECT_TRUE(IsCameraDeviceEvent(name, 6));
}

}  // namespace
