// Reassembly of multicast pictures from datagrams, without sockets.
#include "PictureDatagrams.h"

#include "telvane/Multicast.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

using namespace Telvane;
using datagrams::Bytes;

namespace {

constexpr uint32_t kId = 41;

struct Outcome {
    PictureAssembler::Result result = PictureAssembler::Result::Pending;
    Bytes picture;
    Bytes meta;
};

// Feeds datagrams until the assembler reports anything but Pending.
Outcome assemble(const std::vector<Bytes>& sequence, uint32_t capacity = 1 << 20, bool withMeta = true)
{
    Bytes picture(capacity);
    Bytes meta(64);
    PictureAssembler assembler(picture.data(), capacity, withMeta ? meta.data() : nullptr, 64);
    Outcome out;
    for (const Bytes& d : sequence) {
        out.result = assembler.take(d.data(), d.size());
        if (out.result != PictureAssembler::Result::Pending) break;
    }
    if (out.result == PictureAssembler::Result::Complete) {
        out.picture.assign(picture.begin(), picture.begin() + assembler.pictureLength());
        out.meta.assign(meta.begin(), meta.begin() + assembler.metaLength());
    }
    return out;
}

const Bytes kJpeg = datagrams::pattern(3000, 1);
const Bytes kMeta = datagrams::pattern(64, 2);

std::vector<Bytes> inOrder(uint32_t id = kId, const Bytes& jpeg = kJpeg) { return datagrams::picture(jpeg, kMeta, id); }

struct Case {
    const char* what;
    std::function<std::vector<Bytes>()> sequence;
    bool complete;
};

TEST(PictureAssemblerTest, Sequences)
{
    const Case table[] = {
        {"in order", [] { return inOrder(); }, true},
        {"chunks reversed",
         [] {
             auto s = inOrder();
             std::reverse(s.begin() + 2, s.end());
             return s;
         },
         true},
        {"every chunk twice",
         [] {
             auto s = inOrder();
             std::vector<Bytes> twice{s[0], s[1]};
             for (size_t i = 2; i < s.size(); ++i) twice.insert(twice.end(), {s[i], s[i]});
             return twice;
         },
         true},
        {"a duplicate in place of the last chunk",
         [] {
             auto s = inOrder();
             s.back() = s[2];
             return s;
         },
         false},
        {"an overlapping chunk in place of the second",
         [] {
             auto s = inOrder();
             s[3] = datagrams::chunk("JPEG", 730, kId, kJpeg.data() + 730, 1460);
             return s;
         },
         false},
        {"a short chunk at the last place",
         [] {
             auto s = inOrder();
             s.back().resize(s.back().size() - 1);
             return s;
         },
         false},
        {"a chunk past the announced length",
         [] {
             auto s = inOrder();
             s.insert(s.begin() + 2, datagrams::chunk("JPEG", 4380, kId, kJpeg.data(), 80));
             s.pop_back();
             return s;
         },
         false},
        {"chunks before the frame header",
         [] {
             auto s = inOrder();
             std::rotate(s.begin(), s.begin() + 1, s.end());
             return s;
         },
         false},
        {"chunks of another frame id",
         [] {
             auto s = inOrder();
             auto other = inOrder(kId + 1);
             s.pop_back();
             s.push_back(other.back());
             return s;
         },
         false},
        {"a repeated frame header keeps the chunks taken",
         [] {
             auto s = inOrder();
             s.insert(s.end() - 1, s[0]);
             return s;
         },
         true},
        {"a new frame mid-picture",
         [] {
             auto s = inOrder();
             s.pop_back();
             auto next = inOrder(kId + 1);
             s.insert(s.end(), next.begin(), next.end());
             return s;
         },
         true},
        {"datagrams shorter than a header",
         [] {
             auto s = inOrder();
             s.insert(s.begin() + 1, Bytes{'J', 'P', 'E', 'G', 0, 0});
             s.insert(s.begin() + 1, Bytes{});
             return s;
         },
         true},
    };
    for (const Case& c : table) {
        const Outcome out = assemble(c.sequence());
        EXPECT_EQ(out.result == PictureAssembler::Result::Complete, c.complete) << c.what;
        if (c.complete) {
            EXPECT_EQ(out.picture, kJpeg) << c.what;
        }
    }
}

TEST(PictureAssemblerTest, MetaBlock)
{
    EXPECT_EQ(assemble(inOrder()).meta, kMeta);

    auto withoutMeta = inOrder();
    withoutMeta.erase(withoutMeta.begin() + 1);
    const Outcome noMeta = assemble(withoutMeta);
    ASSERT_EQ(noMeta.result, PictureAssembler::Result::Complete);
    EXPECT_TRUE(noMeta.meta.empty());

    // A meta block taken for an abandoned picture does not carry over.
    auto restarted = inOrder(kId + 1);
    restarted.erase(restarted.begin() + 1);
    auto s = inOrder();
    s.pop_back();
    s.insert(s.end(), restarted.begin(), restarted.end());
    EXPECT_TRUE(assemble(s).meta.empty());

    auto oversizedMeta = inOrder();
    oversizedMeta[1] = datagrams::chunk("META", 0, kId, kJpeg.data(), 65);
    EXPECT_TRUE(assemble(oversizedMeta).meta.empty());

    const Outcome ignored = assemble(inOrder(), 1 << 20, false);
    EXPECT_EQ(ignored.result, PictureAssembler::Result::Complete);
    EXPECT_EQ(ignored.picture, kJpeg);
}

TEST(PictureAssemblerTest, SizesAtTheEdges)
{
    EXPECT_EQ(assemble(inOrder(), 2999).result, PictureAssembler::Result::TooLarge);
    EXPECT_EQ(assemble(inOrder(), 3000).picture, kJpeg);

    const Outcome empty = assemble(inOrder(kId, Bytes{}));
    EXPECT_EQ(empty.result, PictureAssembler::Result::Complete);
    EXPECT_TRUE(empty.picture.empty());

    const Bytes exact = datagrams::pattern(2920, 3);
    EXPECT_EQ(assemble(inOrder(kId, exact)).picture, exact);

    // An announced length far beyond any buffer is refused, not reserved.
    EXPECT_EQ(assemble({datagrams::star(0xFFFFFFFF, kId)}).result, PictureAssembler::Result::TooLarge);
}

}  // namespace
