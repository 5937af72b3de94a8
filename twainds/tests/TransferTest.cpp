// The three transfers of the live picture in each pixel type: the native DIB,
// memory strips top row first, and BMP and TIFF files.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "PreparedImage.h"
#include "SourceFixture.h"

namespace {

struct DibView {
    DibHeader header;
    std::vector<unsigned char> table;
    std::vector<unsigned char> rows;  // bottom-up
};

DibView ReadDib(TestMemory& memory, TW_HANDLE dib)
{
    DibView view{};
    LockedHandle locked(memory, dib);
    std::memcpy(&view.header, locked.Bytes(), sizeof view.header);
    const unsigned char* table = locked.Bytes() + sizeof view.header;
    view.table.assign(table, table + view.header.clrUsed * 4);
    const unsigned char* end = locked.Bytes() + locked.Size();
    view.rows.assign(table + view.header.clrUsed * 4, end);
    return view;
}

// Gray level of the fake camera's pixel, as the source computes it.
int Gray(int x, int y)
{
    const FakeDevice::Pixel p = FakeDevice::At(x, y);
    return (19595 * p.r + 38469 * p.g + 7471 * p.b) >> 16;
}

struct TransferRig : SourceRig {
    explicit TransferRig(TW_UINT16 pixelType = TWPT_RGB)
    {
        DriveTo(600);
        source.Capabilities().SetPixelType(pixelType);
    }
};

TEST(NativeTransfer, HandsOverADibOfTheLivePictureInEachPixelType)
{
    for (TW_UINT16 type : {TWPT_RGB, TWPT_GRAY, TWPT_BW}) {
        SCOPED_TRACE(type);
        TransferRig rig(type);
        TW_HANDLE dib = nullptr;
        ASSERT_EQ(TWRC_XFERDONE, rig.Image(DAT_IMAGENATIVEXFER, MSG_GET, &dib));
        EXPECT_EQ(700, rig.source.State());
        const DibView view = ReadDib(rig.memory, dib);
        const int w = rig.device.width, h = rig.device.height;
        EXPECT_EQ(w, view.header.width);
        EXPECT_EQ(h, view.header.height);
        const int bits = type == TWPT_RGB ? 24 : type == TWPT_GRAY ? 8 : 1;
        EXPECT_EQ(bits, view.header.bitCount);
        const int stride = ((bits * w + 31) / 32) * 4;
        ASSERT_EQ(size_t(stride) * h, view.rows.size());
        for (int y = 0; y < h; y += 7)
            for (int x = 0; x < w; x += 5) {
                const unsigned char* row = &view.rows[size_t(h - 1 - y) * stride];
                const FakeDevice::Pixel p = FakeDevice::At(x, y);
                if (bits == 24) {
                    ASSERT_EQ(p.b, row[3 * x]);
                    ASSERT_EQ(p.r, row[3 * x + 2]);
                } else if (bits == 8) {
                    ASSERT_EQ(Gray(x, y), row[x]);
                } else {
                    ASSERT_EQ(Gray(x, y) >= 128, (row[x / 8] >> (7 - x % 8)) & 1) << x << "," << y;
                }
            }
        if (bits == 1) {
            EXPECT_EQ((std::vector<unsigned char>{0, 0, 0, 0, 255, 255, 255, 0}), view.table);
        }
        rig.memory.Free(dib);
        EXPECT_EQ(TWRC_FAILURE, rig.Image(DAT_IMAGENATIVEXFER, MSG_GET, &dib));
        EXPECT_EQ(TWCC_SEQERROR, rig.Status());
    }
}

TEST(NativeTransfer, NoPictureIsAFailureNotAnEmptyHandle)
{
    TransferRig rig;
    rig.device.hasPicture = false;
    TW_HANDLE dib = reinterpret_cast<TW_HANDLE>(0x1);
    EXPECT_EQ(TWRC_FAILURE, rig.Image(DAT_IMAGENATIVEXFER, MSG_GET, &dib));
    EXPECT_EQ(TWCC_OPERATIONERROR, rig.Status());
    EXPECT_EQ(600, rig.source.State());
    rig.memory.failAbove = 1000;  // a picture that does not fit in memory
    rig.device.hasPicture = true;
    EXPECT_EQ(TWRC_FAILURE, rig.Image(DAT_IMAGENATIVEXFER, MSG_GET, &dib));
    EXPECT_EQ(TWCC_OPERATIONERROR, rig.Status());
}

TEST(MemoryTransfer, SendsTheCameraPictureInStripsTopRowFirstAsRedGreenBlue)
{
    TransferRig rig;
    rig.device.width = 1024, rig.device.height = 768;
    std::vector<unsigned char> buffer(262143);
    std::vector<unsigned char> picture;
    TW_UINT16 rc = TWRC_SUCCESS;
    std::vector<TW_UINT32> offsets;
    while (rc == TWRC_SUCCESS) {
        TW_IMAGEMEMXFER xfer{};
        xfer.Memory = TW_MEMORY{TWMF_APPOWNS | TWMF_POINTER, TW_UINT32(buffer.size()), buffer.data()};
        rc = rig.Image(DAT_IMAGEMEMXFER, MSG_GET, &xfer);
        ASSERT_TRUE(rc == TWRC_SUCCESS || rc == TWRC_XFERDONE) << rig.Status();
        EXPECT_EQ(3072u, TW_UINT32(xfer.BytesPerRow));
        EXPECT_EQ(1024u, TW_UINT32(xfer.Columns));
        EXPECT_EQ(TW_UINT32(xfer.Rows) * 3072, TW_UINT32(xfer.BytesWritten));
        offsets.push_back(TW_UINT32(xfer.YOffset));
        picture.insert(picture.end(), buffer.begin(), buffer.begin() + xfer.BytesWritten);
        ASSERT_LE(offsets.size(), 10u);
    }
    EXPECT_EQ((std::vector<TW_UINT32>{0, 85, 170, 255, 340, 425, 510, 595, 680, 765}), offsets);
    ASSERT_EQ(3072u * 768, picture.size());
    for (int y = 0; y < 768; y += 31)
        for (int x = 0; x < 1024; x += 17) {
            const FakeDevice::Pixel p = FakeDevice::At(x, y);
            const unsigned char* at = &picture[size_t(y) * 3072 + 3 * x];
            ASSERT_EQ(p.r, at[0]);
            ASSERT_EQ(p.g, at[1]);
            ASSERT_EQ(p.b, at[2]);
        }
    TW_PENDINGXFERS pending{};
    EXPECT_EQ(TWRC_SUCCESS, rig.Control(DAT_PENDINGXFERS, MSG_ENDXFER, &pending));
    EXPECT_EQ(0u, rig.memory.Live());
}

TEST(MemoryTransfer, ABufferBelowOneRowGivesAnEmptyStrip)
{
    TransferRig rig;
    unsigned char small[10];
    TW_IMAGEMEMXFER xfer{};
    xfer.Memory = TW_MEMORY{TWMF_APPOWNS | TWMF_POINTER, sizeof small, small};
    EXPECT_EQ(TWRC_SUCCESS, rig.Image(DAT_IMAGEMEMXFER, MSG_GET, &xfer));
    EXPECT_EQ(0u, TW_UINT32(xfer.Rows));
    EXPECT_EQ(0u, TW_UINT32(xfer.BytesWritten));
    EXPECT_EQ(700, rig.source.State());
}

TEST(MemoryTransfer, GrayRowsFollowThePixelFlavor)
{
    for (TW_UINT16 flavor : {TWPF_CHOCOLATE, TWPF_VANILLA}) {
        TransferRig rig(TWPT_GRAY);
        TW_HANDLE one = rig.memory.Alloc(sizeof(TW_ONEVALUE));
        TW_ONEVALUE value{TWTY_UINT16, flavor};
        std::memcpy(rig.memory.Lock(one), &value, sizeof value);
        TW_CAPABILITY cap{ICAP_PIXELFLAVOR, TWON_ONEVALUE, one};
        ASSERT_EQ(TWRC_SUCCESS, rig.Control(DAT_CAPABILITY, MSG_SET, &cap));
        rig.memory.Free(one);
        // The buffer comes as a handle this time.
        TW_HANDLE buffer = rig.memory.Alloc(64 * 48);
        TW_IMAGEMEMXFER xfer{};
        xfer.Memory = TW_MEMORY{TWMF_APPOWNS | TWMF_HANDLE, 1 << 20, buffer};
        ASSERT_EQ(TWRC_XFERDONE, rig.Image(DAT_IMAGEMEMXFER, MSG_GET, &xfer));
        const unsigned char* rows = static_cast<unsigned char*>(rig.memory.Lock(buffer));
        const int level = flavor == TWPF_VANILLA ? 255 - Gray(40, 3) : Gray(40, 3);
        EXPECT_EQ(level, rows[3 * 64 + 40]);
        rig.memory.Free(buffer);
    }
}

std::vector<unsigned char> FileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
}

TEST(FileTransfer, WritesABmpOrTiffOfThePictureToTheFileSetUp)
{
    for (TW_UINT16 format : {TWFF_BMP, TWFF_TIFF}) {
        SCOPED_TRACE(format);
        TransferRig rig;
        const std::string path = ::testing::TempDir() + (format == TWFF_BMP ? "xfer.bmp" : "xfer.tif");
        ASSERT_EQ(TWRC_SUCCESS, rig.SetFileName(path, format));
        TW_SETUPFILEXFER setup{};
        rig.Control(DAT_SETUPFILEXFER, MSG_GET, &setup);
        EXPECT_EQ(path, setup.FileName);
        EXPECT_EQ(format, setup.Format);
        ASSERT_EQ(TWRC_XFERDONE, rig.Image(DAT_IMAGEFILEXFER, MSG_GET, nullptr));
        EXPECT_EQ(700, rig.source.State());
        const std::vector<unsigned char> file = FileBytes(path);
        const int w = rig.device.width, h = rig.device.height;
        if (format == TWFF_BMP) {
            ASSERT_EQ(54u + size_t(w) * 3 * h, file.size());
            EXPECT_EQ('B', file[0]);
            // Top-left pixel: the last row in the file, blue first.
            const unsigned char* topLeft = &file[54 + size_t(h - 1) * w * 3];
            EXPECT_EQ(FakeDevice::At(0, 0).b, topLeft[0]);
            EXPECT_EQ(FakeDevice::At(0, 0).r, topLeft[2]);
        } else {
            ASSERT_GE(file.size(), size_t(w) * 3 * h);
            EXPECT_EQ('I', file[0]);
            // The pixels close the file, top row first, red first.
            const unsigned char* last = &file[file.size() - 3];
            EXPECT_EQ(FakeDevice::At(w - 1, h - 1).r, last[0]);
            EXPECT_EQ(FakeDevice::At(w - 1, h - 1).b, last[2]);
        }
        EXPECT_EQ(0u, rig.memory.Live());
        std::remove(path.c_str());
    }
}

TEST(FileTransfer, AFailedWriteOrMissingPictureIsReportedInStateSix)
{
    TransferRig rig;
    const std::string path = ::testing::TempDir() + "becomes-a-folder.bmp";
    ASSERT_EQ(TWRC_SUCCESS, rig.SetFileName(path));
    std::filesystem::remove(path);
    std::filesystem::create_directory(path);
    EXPECT_EQ(TWRC_FAILURE, rig.Image(DAT_IMAGEFILEXFER, MSG_GET, nullptr));
    EXPECT_EQ(TWCC_OPERATIONERROR, rig.Status());
    EXPECT_EQ(600, rig.source.State());
    std::filesystem::remove(path);

    rig.device.hasPicture = false;
    EXPECT_EQ(TWRC_FAILURE, rig.Image(DAT_IMAGEFILEXFER, MSG_GET, nullptr));
    EXPECT_EQ(TWCC_OPERATIONERROR, rig.Status());
    EXPECT_EQ(0u, rig.memory.Live());

    EXPECT_EQ(TWRC_FAILURE, rig.SetFileName(::testing::TempDir() + "no-such-folder/x.bmp"));
    EXPECT_EQ(TWCC_BADVALUE, rig.Status());
    TW_SETUPFILEXFER setup{};
    rig.Control(DAT_SETUPFILEXFER, MSG_GET, &setup);
    EXPECT_EQ(path, setup.FileName);
}

TEST(ImageInfo, DescribesThePictureOfThePixelType)
{
    TransferRig rig(TWPT_GRAY);
    TW_IMAGEINFO info{};
    ASSERT_EQ(TWRC_SUCCESS, rig.Image(DAT_IMAGEINFO, MSG_GET, &info));
    EXPECT_EQ(64, info.ImageWidth);
    EXPECT_EQ(48, info.ImageLength);
    EXPECT_EQ(1, info.SamplesPerPixel);
    EXPECT_EQ(8, info.BitsPerSample[0]);
    EXPECT_EQ(8, info.BitsPerPixel);
    EXPECT_EQ(TWPT_GRAY, info.PixelType);
    EXPECT_EQ(100, info.XResolution.Whole);
}

TEST(Palette, GivesTheRampOfGrayPicturesAndNoneForColour)
{
    TransferRig rig(TWPT_GRAY);
    TW_PALETTE8 palette{};
    ASSERT_EQ(TWRC_SUCCESS, rig.Image(DAT_PALETTE8, MSG_GET, &palette));
    EXPECT_EQ(256, palette.NumColors);
    EXPECT_EQ(200, palette.Colors[200].Channel2);
    rig.source.Capabilities().SetPixelType(TWPT_RGB);
    ASSERT_EQ(TWRC_SUCCESS, rig.Image(DAT_PALETTE8, MSG_GET, &palette));
    EXPECT_EQ(0, palette.NumColors);
}

}  // namespace
