// Triplet sequences from an application that gets everything wrong: any data
// group, argument type and message in any order, with records of the right
// size but arbitrary contents. Handles in the records are either real blocks
// of arbitrary bytes and size, or values the source never allocated; buffers
// are real and as long as the record says. The test memory frees what is
// left when the run ends. The source must answer every call
// without reading or writing outside what it was given.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "FakeDevice.h"
#include "TestMemory.h"
#include "TwainSource.h"

namespace {

class Input {
public:
    Input(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
    bool Empty() const { return m_at >= m_size; }
    uint8_t Byte() { return m_at < m_size ? m_data[m_at++] : 0; }
    uint16_t Word() { return uint16_t(Byte() | Byte() << 8); }
    void Fill(void* out, size_t bytes)
    {
        auto* p = static_cast<uint8_t*>(out);
        for (size_t i = 0; i < bytes; ++i) p[i] = Byte();
    }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_at = 0;
};

const TW_UINT16 kDats[] = {DAT_CAPABILITY,      DAT_EVENT,           DAT_IDENTITY,    DAT_PENDINGXFERS,
                           DAT_SETUPMEMXFER,    DAT_SETUPFILEXFER,   DAT_STATUS,      DAT_USERINTERFACE,
                           DAT_XFERGROUP,       DAT_IMAGEINFO,       DAT_IMAGELAYOUT, DAT_IMAGEMEMXFER,
                           DAT_IMAGENATIVEXFER, DAT_IMAGEFILEXFER,   DAT_CIECOLOR,    DAT_GRAYRESPONSE,
                           DAT_RGBRESPONSE,     DAT_JPEGCOMPRESSION, DAT_PALETTE8,    DAT_EXTIMAGEINFO};
const TW_UINT16 kMessages[] = {MSG_GET,      MSG_GETCURRENT,   MSG_GETDEFAULT, MSG_GETNEXT, MSG_SET,
                               MSG_RESET,    MSG_QUERYSUPPORT, MSG_OPENDS,     MSG_CLOSEDS, MSG_DISABLEDS,
                               MSG_ENABLEDS, MSG_PROCESSEVENT, MSG_ENDXFER};

const TW_UINT16 kCapabilities[] = {CAP_SUPPORTEDCAPS, CAP_FEEDERENABLED,    ICAP_PIXELFLAVOR, ICAP_XFERMECH,
                                   ICAP_BRIGHTNESS,   ICAP_PIXELTYPE,       ICAP_BITDEPTH,    ICAP_THRESHOLD,
                                   ICAP_HALFTONES,    ICAP_FRAMES,          ICAP_XRESOLUTION, CAP_XFERCOUNT,
                                   CAP_FEEDERLOADED,  ICAP_IMAGEFILEFORMAT, ICAP_UNITS};

const std::string& OutputFile()
{
    static const std::string name =
        std::string(std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp") + "/twain_triplet_fuzzer.out";
    return name;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Input in(data, size);
    TestMemory memory;
    FakeDevice device(in.Byte() % 40 + 1, in.Byte() % 30 + 1);
    TwainSource source(memory, device);
    TW_IDENTITY application{};
    application.Id = 7;
    application.ProtocolMinor = in.Byte() % 10;
    // Opened, as applications start; the sequence may close it again.
    TW_IDENTITY assigned{};
    source.Entry(&application, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &assigned);

    for (int step = 0; step < 64 && !in.Empty(); ++step) {
        const uint8_t group = in.Byte();
        const TW_UINT16 dat = kDats[in.Byte() % (sizeof kDats / sizeof kDats[0])];
        const TW_UINT16 message = kMessages[in.Byte() % (sizeof kMessages / sizeof kMessages[0])];
        const uint8_t shape = in.Byte();

        // A record as large as the largest the triplets use.
        std::vector<unsigned char> record(1100);
        in.Fill(record.data(), in.Byte());
        std::vector<unsigned char> strip(in.Word() % 8192);
        if (dat == DAT_CAPABILITY) {
            TW_CAPABILITY capability;
            std::memcpy(&capability, record.data(), sizeof capability);
            if (shape & 0x80) {  // a capability the table has, in a one-value
                capability.Cap = kCapabilities[in.Byte() % (sizeof kCapabilities / sizeof kCapabilities[0])];
                capability.ConType = TWON_ONEVALUE;
            }
            if (shape & 1) {
                const size_t bytes = in.Byte() % 40;
                capability.hContainer = memory.Alloc(bytes);
                in.Fill(memory.Lock(capability.hContainer), bytes);
            }
            std::memcpy(record.data(), &capability, sizeof capability);
        } else if (dat == DAT_IMAGEMEMXFER) {
            TW_IMAGEMEMXFER xfer;
            std::memcpy(&xfer, record.data(), sizeof xfer);
            if (xfer.Memory.Flags & TWMF_HANDLE) {
                xfer.Memory.TheMem = memory.Alloc(strip.size());
            } else {
                xfer.Memory.TheMem = strip.data();
                xfer.Memory.Length = TW_UINT32(strip.size());
            }
            std::memcpy(record.data(), &xfer, sizeof xfer);
        } else if (dat == DAT_SETUPFILEXFER && message == MSG_SET) {
            TW_SETUPFILEXFER setup;
            std::memcpy(&setup, record.data(), sizeof setup);
            std::snprintf(setup.FileName, sizeof setup.FileName, "%s", OutputFile().c_str());
            std::memcpy(record.data(), &setup, sizeof setup);
        }
        device.hasPicture = (shape & 2) == 0;
        device.pictureArrives = (shape & 4) == 0;
        device.startSucceeds = (shape & 8) == 0;

        TW_HANDLE native = nullptr;
        void* pointer = (shape & 0x30) == 0x30 ? nullptr : record.data();
        if (dat == DAT_IMAGENATIVEXFER && pointer) pointer = &native;
        TW_IDENTITY* origin = (shape & 0x40) ? nullptr : &application;
        source.Entry(origin, group % 3 == 0 ? group : group % 3, dat, message, pointer);
        if (native) memory.Free(native);
    }
    std::remove(OutputFile().c_str());
    return 0;
}
