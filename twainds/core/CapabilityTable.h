#pragma once
#include <array>
#include <vector>

#include "TwainMemory.h"
#include "TwainProtocol.h"

// Private ids under which the bit depth of each pixel type is negotiated:
// ICAP_BITDEPTH stands for the row of the current pixel type.
enum : TW_UINT16 { kBitDepthOfBw = 0x9000, kBitDepthOfGray = 0x9001, kBitDepthOfRgb = 0x9002 };

// One value as the source keeps it: 16-bit integers and booleans as 16 bits,
// FIX32 as a float, a frame as four floats, a STR32 as its 34 bytes.
struct CapabilityValue {
    std::array<unsigned char, 34> bytes{};
};

// The source's capabilities: the rows with their item and container types,
// accepted messages and allowed values, and the default and current values.
// The values live as long as the table object, across closing and reopening;
// the rows answer only between Build (MSG_OPENDS) and Free (MSG_CLOSEDS).
class CapabilityTable {
public:
    struct Row {
        TW_UINT16 id;
        TW_UINT16 itemType;
        TW_UINT16 getContainer;
        TW_UINT32 mask;
        std::vector<CapabilityValue> list;
        std::vector<CapabilityValue> defaults;
        int currentSlot;  // index into the current values; two pairs of rows share one
    };

    // What the negotiation needs of the rest of the source.
    struct Context {
        bool legacyProtocol;  // the application speaks 1.5 or older
        bool imagePending;    // refreshes CAP_FEEDERLOADED
    };

    explicit CapabilityTable(TwainMemory& memory);

    void Build() { m_open = true; }
    void Free() { m_open = false; }
    bool IsOpen() const { return m_open; }

    // DG_CONTROL / DAT_CAPABILITY; sets conditionCode as the source reports it.
    TW_UINT16 Negotiate(TW_CAPABILITY* capability, TW_UINT16 message, const Context& context, TW_UINT16& conditionCode);

    // The current values the image path and the state machine read and set.
    TW_UINT16 PixelType() const { return TW_UINT16(CurrentInt(ICAP_PIXELTYPE)); }
    void SetPixelType(TW_UINT16 type) { SetCurrentInt(ICAP_PIXELTYPE, type); }
    int BitDepth(TW_UINT16 pixelType) const;
    void SetBitDepth(TW_UINT16 pixelType, int depth);
    float XResolution() const { return CurrentFloat(ICAP_XRESOLUTION); }
    float XScaling() const { return CurrentFloat(ICAP_XSCALING); }
    bool FeederEnabled() const { return CurrentInt(CAP_FEEDERENABLED) != 0; }
    void SetFeederEnabled(bool on) { SetCurrentInt(CAP_FEEDERENABLED, on ? 1 : 0); }
    int SupportedSizes() const { return CurrentInt(ICAP_SUPPORTEDSIZES); }
    int XferCount() const { return CurrentInt(CAP_XFERCOUNT); }
    TW_UINT16 ImageFileFormat() const { return TW_UINT16(CurrentInt(ICAP_IMAGEFILEFORMAT)); }
    void SetImageFileFormat(TW_UINT16 format) { SetCurrentInt(ICAP_IMAGEFILEFORMAT, format); }
    TW_UINT16 PixelFlavor() const { return TW_UINT16(CurrentInt(ICAP_PIXELFLAVOR)); }
    float Threshold() const { return CurrentFloat(ICAP_THRESHOLD); }

    const std::vector<Row>& Rows() const { return m_rows; }

private:
    const Row* Find(TW_UINT16 id) const;
    std::vector<CapabilityValue>& Current(const Row& row) { return m_current[size_t(row.currentSlot)]; }
    const std::vector<CapabilityValue>& Current(const Row& row) const { return m_current[size_t(row.currentSlot)]; }
    int CurrentInt(TW_UINT16 id) const;
    void SetCurrentInt(TW_UINT16 id, int value);
    float CurrentFloat(TW_UINT16 id) const;

    TW_UINT16 Answer(TW_CAPABILITY& capability, const Row& row, TW_UINT16 container,
                     const std::vector<CapabilityValue>& values, TW_UINT16& conditionCode);
    TW_UINT16 Set(TW_CAPABILITY& capability, const Row& row, TW_UINT16& conditionCode);
    bool Allowed(const Row& row, const CapabilityValue& value) const;
    TW_UINT16 QuerySupport(TW_CAPABILITY& capability, const Row& row, TW_UINT16& conditionCode);

    std::vector<Row> m_rows;
    std::vector<std::vector<CapabilityValue>> m_current;
    TwainMemory& m_memory;
    bool m_open = false;
};
