// Object encoding: golden bytes, round trips of every type, and frames that
// must decode to nothing.
#include "WireBytes.h"

#include "telvane/Commands.h"
#include "telvane/Shapes.h"
#include "telvane/TypeRegistry.h"
#include "telvane/UnregisteredCmds.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <thread>

using namespace Telvane;
using wire::Bytes;
using wire::cat;
using wire::str;
using wire::zeros;

namespace {

class ObjectTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { registerTypes(); }
};

// A sink for writing bare primitives.
class VectorEncoder : public Encoder {
public:
    void write(const void* data, uint32_t count) override
    {
        auto p = static_cast<const uint8_t*>(data);
        bytes.insert(bytes.end(), p, p + count);
    }
    Bytes bytes;
};

std::unique_ptr<Object> decode(const Bytes& frame)
{
    return std::unique_ptr<Object>(decodeMessage(frame.data(), uint32_t(frame.size())));
}

const Bytes kOne = {0x3F, 0x80, 0x00, 0x00};
const Bytes kZeroColor = cat({str("Telvane::QxColor"), zeros(16)});
const Bytes kDefaultGraphicPrefix = cat({kOne, kZeroColor, kZeroColor});
const Bytes kDefaultRectBody = cat({kDefaultGraphicPrefix, zeros(16)});

TEST_F(ObjectTest, PrimitivesHaveTheirWireForm)
{
    VectorEncoder e;
    e.writeString("");
    e.writeU16(0x1234);
    e.writeU32(0xA1B2C3D4);
    e.writeFloat(-1.5f);
    EXPECT_EQ(e.bytes, (Bytes{0, 0, 0x12, 0x34, 0xA1, 0xB2, 0xC3, 0xD4, 0xBF, 0xC0, 0, 0}));
}

struct Golden {
    const char* what;
    std::function<Bytes()> encoded;
    Bytes expected;
};

TEST_F(ObjectTest, GoldenEncodings)
{
    const Bytes pointName = {0x00, 0x10, 'T', 'e', 'l', 'v', 'a', 'n', 'e',
                             ':',  ':',  'Q', 'x', 'P', 'o', 'i', 'n', 't'};
    const Golden table[] = {
        {"Point(3, -1.5)", [] { return wire::encode(Point(3.0f, -1.5f)); },
         cat({pointName, {0x40, 0x40, 0x00, 0x00, 0xBF, 0xC0, 0x00, 0x00}})},
        {"Color", [] { return wire::encode(Color(1.0f, 0, 0, 0.5f)); },
         cat({str("Telvane::QxColor"), kOne, zeros(8), {0x3F, 0x00, 0x00, 0x00}})},
        {"RectGraphic", [] { return wire::encode(RectGraphic()); },
         cat({str("Telvane::QxRectGraphic"), kDefaultRectBody})},
        {"Ellipse", [] { return wire::encode(Telvane::Ellipse()); },
         cat({str("Telvane::QxEllipse"), kDefaultRectBody})},
        {"RectEraser", [] { return wire::encode(RectEraser()); },
         cat({str("Telvane::QxRectEraser"), kDefaultRectBody})},
        {"Path", [] { return wire::encode(Path()); }, cat({str("Telvane::QxPath"), kDefaultGraphicPrefix, zeros(4)})},
        {"ImageGraphic", [] { return wire::encode(ImageGraphic()); },
         cat({str("Telvane::QxImageGraphic"), kDefaultRectBody, zeros(4)})},
        {"QueryMulticastAddressCmd", [] { return wire::encode(QueryMulticastAddressCmd()); },
         str("Telvane::QxQueryMulticastAddressCmd")},
        {"QueryCapabilityCmd", [] { return wire::encode(QueryCapabilityCmd()); }, str("Telvane::QxQueryCapabilityCmd")},
        {"QueryCapabilityCmdV2", [] { return wire::encode(QueryCapabilityCmdV2()); },
         str("Telvane::QxQueryCapabilityCmdV2")},
        {"DocCamCmd '+'", [] { return wire::encode(DocCamCmd('+')); },
         cat({str("Telvane::QxDocCamCmd"), {0x2B, 0x00, 0x00, 0x00}})},
        {"AnnotationCmd",
         [] {
             RectGraphic rect;
             return wire::encode(AnnotationCmd(&rect, false));
         },
         cat({str("Telvane::QxAnnotationCmd"), str("Telvane::QxRectGraphic"), kDefaultRectBody})},
        {"EraseAllAnnotationCmd", [] { return wire::encode(EraseAllAnnotationCmd()); },
         str("Telvane::QxEraseAllAnnotationCmd")},
        {"SnapshotCmd(1, 1024, 768)", [] { return wire::encode(SnapshotCmd(1, 1024.0f, 768.0f)); },
         cat({str("Telvane::QxSnapshotCmd"), {0x44, 0x80, 0, 0, 0x44, 0x40, 0, 0, 0x01}})},
        {"HighQualitySnapshotCmd", [] { return wire::encode(HighQualitySnapshotCmd()); },
         str("Telvane::QxHighQualitySnapshotCmd")},
        {"SendGraphicCmd of size 0", [] { return wire::encode(SendGraphicCmd(nullptr, 0)); },
         cat({str("SendGraphicCmd"), zeros(4)})},
    };
    for (const Golden& g : table) EXPECT_EQ(g.encoded(), g.expected) << g.what;
    EXPECT_EQ(wire::encode(RectGraphic()).size(), 112u);
}

TEST_F(ObjectTest, EveryRegisteredTypeIsMadeWithItsName)
{
    const char* names[] = {"Telvane::QxColor",
                           "Telvane::QxPoint",
                           "Telvane::QxRectGraphic",
                           "Telvane::QxEllipse",
                           "Telvane::QxRectEraser",
                           "Telvane::QxPath",
                           "Telvane::QxImageGraphic",
                           "Telvane::QxQueryMulticastAddressCmd",
                           "Telvane::QxQueryCapabilityCmd",
                           "Telvane::QxQueryCapabilityCmdV2",
                           "Telvane::QxDocCamCmd",
                           "Telvane::QxAnnotationCmd",
                           "Telvane::QxEraseAllAnnotationCmd",
                           "Telvane::QxSnapshotCmd",
                           "Telvane::QxHighQualitySnapshotCmd"};
    for (const char* name : names) {
        std::unique_ptr<Object> made(TypeRegistry::create(name));
        ASSERT_TRUE(made) << name;
        EXPECT_EQ(made->typeName(), name);
    }
}

// Objects with every field away from its default.
std::vector<std::shared_ptr<Object>> samples()
{
    auto styled = [](auto* g) {
        g->setLineWidth(0.0125f);
        g->setFirstColor(Color(1.0f, 0.5f, 0.25f, 0.999f));
        g->setSecondColor(Color(0.1f, 0.2f, 0.3f, 128 / 255.0f));
        return g;
    };
    const uint8_t png[] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 1, 2};
    return {
        std::make_shared<Color>(0.1f, 0.2f, 0.3f, 0.4f),
        std::make_shared<Point>(0.75f, -0.25f),
        std::shared_ptr<Object>(styled(new RectGraphic(0.9f, 0.8f, -0.5f, -0.25f))),
        std::shared_ptr<Object>(styled(new Telvane::Ellipse(0.1f, 0.2f, 0.3f, 0.4f))),
        std::shared_ptr<Object>(styled(new RectEraser(0.0f, 0.0f, 1.0f, 1.0f))),
        std::shared_ptr<Object>(styled(new Path({Point(0, 0), Point(0.5f, 0.5f), Point(1, 0.25f)}))),
        std::shared_ptr<Object>(styled(new ImageGraphic(png, sizeof png, 0.1f, 0.1f, 0.2f, 0.05f))),
        std::make_shared<QueryMulticastAddressCmd>(),
        std::make_shared<QueryCapabilityCmd>(),
        std::make_shared<QueryCapabilityCmdV2>(),
        std::make_shared<DocCamCmd>('t', 1, 2, 3),
        std::make_shared<AnnotationCmd>(styled(new Path({Point(0.5f, 0.5f)})), true),
        std::make_shared<EraseAllAnnotationCmd>(),
        std::make_shared<SnapshotCmd>(0, 640.0f, 480.0f),
        std::make_shared<HighQualitySnapshotCmd>(),
    };
}

TEST_F(ObjectTest, EveryRegisteredTypeRoundTrips)
{
    for (const auto& original : samples()) {
        const Bytes frame = wire::encode(*original);
        std::unique_ptr<Object> decoded = decode(frame);
        ASSERT_TRUE(decoded) << original->typeName();
        EXPECT_EQ(decoded->typeName(), original->typeName());
        EXPECT_EQ(wire::encode(*decoded), frame) << original->typeName();
    }
}

TEST_F(ObjectTest, DecodedFieldsMatch)
{
    const uint8_t png[] = {1, 2, 3, 4, 5};
    auto rect = decode(wire::encode(ImageGraphic(png, sizeof png, -0.5f, 0.25f, -0.125f, 2.0f)));
    auto* image = dynamic_cast<ImageGraphic*>(rect.get());
    ASSERT_TRUE(image);
    EXPECT_EQ(image->x(), -0.5f);
    EXPECT_EQ(image->width(), -0.125f);
    EXPECT_EQ(image->height(), 2.0f);
    EXPECT_EQ(Bytes(image->imageData(), image->imageData() + image->imageSize()), Bytes(png, png + 5));

    auto annotation = decode(wire::encode(AnnotationCmd(new Telvane::Ellipse(0.5f, 0.5f, 0.1f, 0.1f), true)));
    auto* cmd = dynamic_cast<AnnotationCmd*>(annotation.get());
    ASSERT_TRUE(cmd);
    ASSERT_TRUE(dynamic_cast<Telvane::Ellipse*>(cmd->graphic()));  // owned: freed with the command

    auto path = decode(wire::encode(Path()));
    ASSERT_TRUE(dynamic_cast<Path*>(path.get()));
    EXPECT_TRUE(static_cast<Path*>(path.get())->points().empty());
}

TEST_F(ObjectTest, UnregisteredCommandsRoundTripButAreNotDecodedByName)
{
    uint8_t* eraser = static_cast<uint8_t*>(std::malloc(3));
    eraser[0] = 7, eraser[1] = 8, eraser[2] = 9;
    const uint8_t graphic[] = {0xAA, 0xBB};
    std::vector<std::pair<std::shared_ptr<Cmd>, std::shared_ptr<Cmd>>> pairs = {
        {std::make_shared<GetContentCmd>(800.0f, 600.0f), std::make_shared<GetContentCmd>()},
        {std::make_shared<SendGraphicCmd>(graphic, 2), std::make_shared<SendGraphicCmd>()},
        {std::make_shared<EraserCmd>(eraser, 3), std::make_shared<EraserCmd>()},
        {std::make_shared<SendGraphicCmd>(nullptr, 0), std::make_shared<SendGraphicCmd>()},
    };
    for (auto& [original, fresh] : pairs) {
        const Bytes frame = wire::encode(*original);
        EXPECT_FALSE(decode(frame)) << original->typeName();
        BinaryDecoder decoder(frame.data(), uint32_t(frame.size()));
        EXPECT_EQ(decoder.readString(), original->typeName());
        fresh->decode(decoder);
        EXPECT_FALSE(decoder.failed());
        EXPECT_EQ(wire::encode(*fresh), frame) << original->typeName();
    }
    SendGraphicCmd empty(nullptr, 0);
    EXPECT_EQ(empty.data(), nullptr);
}

TEST_F(ObjectTest, ImageGraphicWithoutBytesHoldsSizeZero)
{
    ImageGraphic image(nullptr, 4096, 0, 0, 1, 1);
    EXPECT_EQ(image.imageSize(), 0u);
    EXPECT_TRUE(decode(wire::encode(image)));
}

TEST_F(ObjectTest, LargeImageEncodesWhole)
{
    std::vector<uint8_t> picture(1 << 20);
    for (size_t i = 0; i < picture.size(); ++i) picture[i] = uint8_t(i * 7);
    ImageGraphic image(picture.data(), uint32_t(picture.size()), 0, 0, 1, 1);
    auto decoded = decode(wire::encode(image));
    auto* copy = dynamic_cast<ImageGraphic*>(decoded.get());
    ASSERT_TRUE(copy);
    EXPECT_EQ(Bytes(copy->imageData(), copy->imageData() + copy->imageSize()), picture);
}

TEST_F(ObjectTest, EveryTruncationOfAValidFrameDecodesToNothing)
{
    for (const auto& original : samples()) {
        const Bytes frame = wire::encode(*original);
        for (size_t cut = 0; cut < frame.size(); ++cut) {
            const Bytes part(frame.begin(), frame.begin() + cut);
            EXPECT_FALSE(decode(part)) << original->typeName() << " cut at " << cut;
        }
    }
}

struct Malformed {
    const char* what;
    Bytes frame;
};

TEST_F(ObjectTest, MalformedFramesDecodeToNothing)
{
    const Bytes rectPrefix = cat({str("Telvane::QxRectGraphic"), kOne});
    const Malformed table[] = {
        {"empty frame", {}},
        {"name longer than the frame", {0x00, 0x40, 'T', 'e'}},
        {"unknown name", str("Telvane::QxNothing")},
        {"name in another case", cat({str("telvane::qxpoint"), zeros(8)})},
        {"unregistered command", cat({str("GetContentCmd"), zeros(8)})},
        {"colour that is a point", cat({rectPrefix, str("Telvane::QxPoint"), zeros(8), kZeroColor, zeros(16)})},
        {"colour of an unknown type", cat({rectPrefix, str("Telvane::QxPaint"), zeros(16), kZeroColor, zeros(16)})},
        {"image size beyond the frame",
         cat({str("Telvane::QxImageGraphic"), kDefaultRectBody, {0xFF, 0xFF, 0xFF, 0xFF}, zeros(16)})},
        {"path count beyond the frame", cat({str("Telvane::QxPath"),
                                             kDefaultGraphicPrefix,
                                             {0xFF, 0xFF, 0xFF, 0xFF},
                                             str("Telvane::QxPoint"),
                                             zeros(8)})},
        {"path holding a colour", cat({str("Telvane::QxPath"), kDefaultGraphicPrefix, wire::be32(1), kZeroColor})},
        {"annotation holding a colour", cat({str("Telvane::QxAnnotationCmd"), kZeroColor})},
        {"annotation holding a command", cat({str("Telvane::QxAnnotationCmd"), str("Telvane::QxDocCamCmd"), zeros(4)})},
        {"annotation holding nothing", str("Telvane::QxAnnotationCmd")},
    };
    for (const Malformed& m : table) EXPECT_FALSE(decode(m.frame)) << m.what;
}

// A type that holds any object, as a later type might: only the nesting
// limit bounds how deep a peer can make the decoder go.
class Box : public Object {
public:
    std::string typeName() const override { return "test::Box"; }
    void decode(Decoder& d) override { content.reset(d.readObject()); }
    std::unique_ptr<Object> content;
};

Bytes boxes(int depth)
{
    Bytes frame = wire::encode(Point(1, 2));
    for (int i = 0; i < depth; ++i) frame = cat({str("test::Box"), frame});
    return frame;
}

TEST_F(ObjectTest, NestingIsLimited)
{
    TypeRegistry::add("test::Box", []() -> Object* { return new Box; });
    EXPECT_TRUE(decode(boxes(Decoder::kMaxNesting - 1)));
    EXPECT_FALSE(decode(boxes(Decoder::kMaxNesting)));
    EXPECT_FALSE(decode(boxes(200)));
}

TEST_F(ObjectTest, TrailingBytesAreIgnored)
{
    Bytes frame = wire::encode(DocCamCmd('f'));
    frame.insert(frame.end(), {0xDE, 0xAD});
    auto decoded = decode(frame);
    ASSERT_TRUE(dynamic_cast<DocCamCmd*>(decoded.get()));
    EXPECT_EQ(static_cast<DocCamCmd*>(decoded.get())->code(), 'f');
}

TEST_F(ObjectTest, RegisteringFromManyThreadsAtOnceIsSafe)
{
    std::vector<std::thread> threads;
    for (int i = 0; i < 8; ++i)
        threads.emplace_back([] {
            registerTypes();
            std::unique_ptr<Object> made(TypeRegistry::create("Telvane::QxSnapshotCmd"));
            EXPECT_TRUE(made);
        });
    for (auto& t : threads) t.join();
}

}  // namespace
