// The cabinet callbacks' file slots and the in-memory cabinet behind them.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <set>

#include "FileSlots.h"
#include "MemoryCabinet.h"

namespace setup {
namespace {

TEST(FileSlots, HandsOutEverySlotOnceThenRefuses)
{
    auto slots = std::make_unique<FileSlots>();
    std::set<intptr_t> handles;
    for (int i = 0; i < FileSlots::kSlots; ++i) {
        intptr_t handle = slots->Acquire();
        ASSERT_GT(handle, 0);  // 0 would read as "skip this file"
        handles.insert(handle);
    }
    EXPECT_EQ(handles.size(), static_cast<size_t>(FileSlots::kSlots));
    EXPECT_EQ(slots->Acquire(), -1);
    EXPECT_EQ(slots->Acquire(), -1);

    // A freed slot is the next one handed out.
    slots->Release(77);
    EXPECT_EQ(slots->Find(77), nullptr);
    EXPECT_EQ(slots->Acquire(), 77);
    EXPECT_EQ(slots->Acquire(), -1);
}

TEST(FileSlots, UnknownHandlesFindNothing)
{
    FileSlots slots;
    intptr_t handle = slots.Acquire();
    for (intptr_t unknown : {intptr_t{-1}, intptr_t{0}, handle + 1, intptr_t{FileSlots::kSlots + 1}, intptr_t{100000}})
        EXPECT_EQ(slots.Find(unknown), nullptr) << unknown;
    ASSERT_NE(slots.Find(handle), nullptr);
    slots.Release(handle);
    slots.Release(handle);
    EXPECT_EQ(slots.Find(handle), nullptr);
}

TEST(MemoryCabinet, SeeksStayWithinTheData)
{
    const char data[] = "0123456789";
    struct Case {
        long start, offset;
        int origin;
        long expected;
    } cases[] = {
        {0, 4, SEEK_SET, 4},  {0, 99, SEEK_SET, 10}, {5, -99, SEEK_SET, 0}, {5, 0, SEEK_END, 10},
        {0, -3, SEEK_END, 7}, {0, 3, SEEK_END, 10},  {0, -99, SEEK_END, 0}, {4, 3, SEEK_CUR, 7},
        {4, -3, SEEK_CUR, 1}, {4, -9, SEEK_CUR, 0},  {4, 99, SEEK_CUR, 10}, {4, 0, 7, -1},
    };
    for (const Case& c : cases) {
        MemoryCabinet cabinet(data, 10);
        cabinet.Seek(c.start, SEEK_SET);
        EXPECT_EQ(cabinet.Seek(c.offset, c.origin), c.expected) << c.start << " " << c.offset << " " << c.origin;
    }
}

TEST(MemoryCabinet, ReadsNoFurtherThanTheData)
{
    const char data[] = "0123456789";
    MemoryCabinet cabinet(data, 10);
    char out[16] = {};
    cabinet.Seek(-4, SEEK_END);
    EXPECT_EQ(cabinet.Read(out, sizeof out), 4u);
    EXPECT_STREQ(out, "6789");
    EXPECT_EQ(cabinet.Read(out, sizeof out), 0u);
    cabinet.Seek(2, SEEK_SET);
    EXPECT_EQ(cabinet.Read(out, 3), 3u);
    EXPECT_EQ(std::memcmp(out, "234", 3), 0);
    EXPECT_EQ(cabinet.Position(), 5u);
}

}  // namespace
}  // namespace setup
