#include "CapabilityTable.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "Fix32.h"

namespace {

constexpr TW_UINT32 kGetOnly = TWQC_GET | TWQC_GETDEFAULT | TWQC_GETCURRENT;  // 13
constexpr TW_UINT32 kAll = kGetOnly | TWQC_SET | TWQC_RESET;                  // 31

// Wire size of one item in a list container.
std::size_t WireSize(TW_UINT16 type)
{
    switch (type) {
    case TWTY_FIX32:
        return 4;
    case TWTY_FRAME:
        return 16;
    case TWTY_STR32:
        return 34;
    default:
        return 2;
    }
}

// Internal size of one value.
std::size_t HeldSize(TW_UINT16 type)
{
    return type == TWTY_STR32 ? 34 : type == TWTY_FRAME ? 16 : type == TWTY_FIX32 ? 4 : 2;
}

CapabilityValue Number(TW_UINT16 type, double number)
{
    CapabilityValue value;
    if (type == TWTY_FIX32) {
        const float held = float(number);
        std::memcpy(value.bytes.data(), &held, sizeof held);
    } else {
        const TW_UINT16 held = TW_UINT16(TW_INT16(number));
        std::memcpy(value.bytes.data(), &held, sizeof held);
    }
    return value;
}

CapabilityValue Text(const char* text)
{
    CapabilityValue value;
    std::memcpy(value.bytes.data(), text, std::strlen(text) + 1);
    return value;
}

CapabilityValue Frame(float left, float top, float right, float bottom)
{
    CapabilityValue value;
    const float edges[4] = {left, top, right, bottom};
    std::memcpy(value.bytes.data(), edges, sizeof edges);
    return value;
}

TW_UINT16 Held16(const CapabilityValue& value)
{
    TW_UINT16 held;
    std::memcpy(&held, value.bytes.data(), sizeof held);
    return held;
}

float HeldFloat(const CapabilityValue& value)
{
    float held;
    std::memcpy(&held, value.bytes.data(), sizeof held);
    return held;
}

// Writes one value in its wire form: `out` has WireSize(type) bytes.
void ToWire(TW_UINT16 type, const CapabilityValue& value, unsigned char* out)
{
    if (type == TWTY_FIX32 || type == TWTY_FRAME) {
        const int count = type == TWTY_FRAME ? 4 : 1;
        for (int i = 0; i < count; ++i) {
            float held;
            std::memcpy(&held, value.bytes.data() + 4 * i, sizeof held);
            const TW_FIX32 fix = FloatToFix32(held);
            std::memcpy(out + 4 * i, &fix, sizeof fix);
        }
    } else {
        std::memcpy(out, value.bytes.data(), WireSize(type));
    }
}

// The 32-bit item of a one-value or range container: 16-bit values
// zero-extended, FIX32 as its bits.
TW_UINT32 ToItem(TW_UINT16 type, const CapabilityValue& value)
{
    if (type == TWTY_FIX32) return Fix32Bits(FloatToFix32(HeldFloat(value)));
    return Held16(value);
}

CapabilityValue FromWire(TW_UINT16 type, const unsigned char* item)
{
    CapabilityValue value;
    if (type == TWTY_FIX32 || type == TWTY_FRAME) {
        const int count = type == TWTY_FRAME ? 4 : 1;
        for (int i = 0; i < count; ++i) {
            TW_FIX32 fix;
            std::memcpy(&fix, item + 4 * i, sizeof fix);
            const float held = Fix32ToFloat(fix);
            std::memcpy(value.bytes.data() + 4 * i, &held, sizeof held);
        }
    } else {
        std::memcpy(value.bytes.data(), item, HeldSize(type));
    }
    return value;
}

bool SameValue(TW_UINT16 type, const CapabilityValue& a, const CapabilityValue& b)
{
    return std::memcmp(a.bytes.data(), b.bytes.data(), HeldSize(type)) == 0;
}

// Position of a value in the list; the list's count when it is not there.
TW_UINT32 IndexOf(TW_UINT16 type, const std::vector<CapabilityValue>& list, const CapabilityValue& value)
{
    TW_UINT32 index = 0;
    while (index < list.size() && !SameValue(type, list[index], value)) ++index;
    return index;
}

const TW_UINT16 kSupportedCaps[] = {
    0x1005, 0x1002, 0x0103, 0x111F, 0x1120, 0x0100, 0x1111, 0x1112, 0x1130, 0x1131, 0x0102, 0x100F, 0x1007, 0x1003,
    0x1100, 0x1101, 0x1103, 0x110A, 0x1110, 0x1113, 0x1124, 0x1125, 0x0101, 0x112B, 0x112C, 0x111C, 0x1109, 0x1123,
    0x1114, 0x111A, 0x1122, 0x1116, 0x1117, 0x1118, 0x1119, 0x0001, 0x110C, 0x112D, 0x100B, 0x100E,
};

std::vector<CapabilityValue> Numbers(TW_UINT16 type, std::initializer_list<double> numbers)
{
    std::vector<CapabilityValue> values;
    for (double number : numbers) values.push_back(Number(type, number));
    return values;
}

}  // namespace

CapabilityTable::CapabilityTable(TwainMemory& memory) : m_memory(memory)
{
    struct Numeric {
        TW_UINT16 id, type, container;
        TW_UINT32 mask;
        std::initializer_list<double> list;
        double def;
    };
    const TW_UINT16 E = TWON_ENUMERATION, O = TWON_ONEVALUE, R = TWON_RANGE;
    const TW_UINT16 U16 = TWTY_UINT16, B = TWTY_BOOL, F = TWTY_FIX32;
    std::vector<CapabilityValue> xferCounts = Numbers(TWTY_INT16, {-1});
    for (int count = 1; count <= 25; ++count) xferCounts.push_back(Number(TWTY_INT16, count));

    auto add = [this](TW_UINT16 id, TW_UINT16 type, TW_UINT16 container, TW_UINT32 mask,
                      std::vector<CapabilityValue> list, std::vector<CapabilityValue> defaults) {
        m_rows.push_back(Row{id, type, container, mask, std::move(list), defaults, int(m_current.size())});
        m_current.push_back(std::move(defaults));
    };
    auto numeric = [&](const Numeric& n) {
        add(n.id, n.type, n.container, n.mask, Numbers(n.type, n.list), Numbers(n.type, {n.def}));
    };
    // The second row of a pair reads and writes the first one's current value.
    auto sharesCurrent = [this] {
        m_rows.back().currentSlot = m_rows[m_rows.size() - 2].currentSlot;
        m_current.pop_back();
    };

    std::vector<CapabilityValue> supported;
    for (TW_UINT16 id : kSupportedCaps) supported.push_back(Number(TWTY_UINT16, id));
    m_rows.push_back(Row{CAP_SUPPORTEDCAPS, U16, TWON_ARRAY, kGetOnly, supported, supported, 0});
    m_current.push_back(supported);

    numeric({CAP_FEEDERENABLED, B, O, kAll, {1}, 0});
    numeric({ICAP_PIXELFLAVOR, U16, E, kAll, {0, 1}, 0});
    numeric({ICAP_XFERMECH, U16, E, kAll, {0, 1, 2}, 0});
    numeric({ICAP_PLANARCHUNKY, U16, E, kGetOnly, {0, 1}, 0});
    numeric({ICAP_COMPRESSION, U16, E, kAll, {0}, 0});
    numeric({ICAP_MINIMUMWIDTH, F, O, kGetOnly, {1}, 1});
    numeric({ICAP_MINIMUMHEIGHT, F, O, kGetOnly, {1}, 1});
    numeric({ICAP_PHYSICALWIDTH, F, O, kGetOnly, {10.24}, 10.24});
    numeric({ICAP_PHYSICALHEIGHT, F, O, kGetOnly, {7.68}, 7.68});
    numeric({ICAP_UNITS, U16, E, kAll, {0, 1, 5}, 0});
    numeric({CAP_DEVICEONLINE, B, O, kGetOnly, {1, 0}, 1});
    numeric({CAP_AUTOFEED, B, O, kGetOnly, {1, 0}, 0});
    numeric({CAP_FEEDERLOADED, B, O, kGetOnly, {0, 1}, 0});
    numeric({ICAP_AUTOBRIGHT, B, O, kAll, {1, 0}, 0});
    numeric({ICAP_BRIGHTNESS, F, R, kAll, {-1000, 1000, 1000}, 0});
    numeric({ICAP_CONTRAST, F, R, kAll, {-1000, 1000, 1000}, 0});
    numeric({ICAP_HIGHLIGHT, F, R, kAll, {0, 255, 1}, 128});
    numeric({ICAP_ORIENTATION, U16, E, kAll, {0, 1, 2, 3}, 0});
    numeric({ICAP_SHADOW, F, R, kAll, {0, 255, 1}, 128});
    numeric({ICAP_XSCALING, F, E, kAll, {100}, 100});
    numeric({ICAP_YSCALING, F, E, kAll, {100}, 100});
    sharesCurrent();
    numeric({kBitDepthOfBw, U16, E, kAll, {1}, 1});
    numeric({kBitDepthOfGray, U16, E, kAll, {8}, 8});
    numeric({kBitDepthOfRgb, U16, E, kAll, {24}, 24});
    numeric({ICAP_PIXELTYPE, U16, E, kAll, {0, 1, 2}, 2});
    numeric({ICAP_BITDEPTHREDUCTION, U16, E, kAll, {0, 1, 3}, 0});
    numeric({ICAP_BITORDER, U16, E, kGetOnly, {1, 0}, 1});
    numeric({ICAP_THRESHOLD, F, R, kAll, {0, 255, 1, 0, 0}, 128});
    add(ICAP_HALFTONES, TWTY_STR32, E, kAll, {Text("FLOYD/STEINBURG"), Text("ORDERED")}, {Text("FLOYD/STEINBURG")});
    add(ICAP_FRAMES, TWTY_FRAME, O, kAll, {Frame(0, 0, 10.24f, 7.68f)}, {Frame(0, 0, 10.24f, 7.68f)});
    numeric({ICAP_MAXFRAMES, U16, O, kGetOnly, {1}, 1});
    numeric({ICAP_SUPPORTEDSIZES, U16, E, kAll, {3}, 3});
    numeric({ICAP_XNATIVERESOLUTION, F, O, kGetOnly, {100}, 100});
    numeric({ICAP_YNATIVERESOLUTION, F, O, kGetOnly, {100}, 100});
    numeric({ICAP_XRESOLUTION, F, E, kAll, {100}, 100});
    numeric({ICAP_YRESOLUTION, F, E, kAll, {100}, 100});
    sharesCurrent();
    add(CAP_XFERCOUNT, TWTY_INT16, O, kAll, xferCounts, Numbers(TWTY_INT16, {-1}));
    numeric({ICAP_IMAGEFILEFORMAT, U16, E, kAll, {0, 2}, 2});
    numeric({ICAP_UNDEFINEDIMAGESIZE, B, O, kAll, {0, 1}, 0});
    numeric({CAP_INDICATORS, B, O, kAll, {1, 0}, 1});
    numeric({CAP_UICONTROLLABLE, B, O, kGetOnly, {1, 0}, 1});
}

const CapabilityTable::Row* CapabilityTable::Find(TW_UINT16 id) const
{
    for (const Row& row : m_rows)
        if (row.id == id) return &row;
    return nullptr;
}

int CapabilityTable::CurrentInt(TW_UINT16 id) const { return TW_INT16(Held16(Current(*Find(id)).front())); }

void CapabilityTable::SetCurrentInt(TW_UINT16 id, int value)
{
    const Row& row = *Find(id);
    Current(row).front() = Number(row.itemType, value);
}

float CapabilityTable::CurrentFloat(TW_UINT16 id) const { return HeldFloat(Current(*Find(id)).front()); }

int CapabilityTable::BitDepth(TW_UINT16 pixelType) const { return CurrentInt(TW_UINT16(kBitDepthOfBw + pixelType)); }

void CapabilityTable::SetBitDepth(TW_UINT16 pixelType, int depth)
{
    SetCurrentInt(TW_UINT16(kBitDepthOfBw + pixelType), depth);
}

TW_UINT16 CapabilityTable::Negotiate(TW_CAPABILITY* capability, TW_UINT16 message, const Context& context,
                                     TW_UINT16& conditionCode)
{
    TW_UINT16 result = TWRC_FAILURE;
    conditionCode = TWCC_CAPUNSUPPORTED;
    if (!capability) {
        conditionCode = TWCC_BADVALUE;
        return TWRC_FAILURE;
    }
    TW_UINT16 id = capability->Cap;
    if (id == ICAP_BITDEPTH) id = TW_UINT16(kBitDepthOfBw + PixelType());
    const Row* row = m_open ? Find(id) : nullptr;
    static const TW_UINT32 kMaskOf[] = {0, TWQC_GET, TWQC_GETCURRENT, TWQC_GETDEFAULT, 0, 0, TWQC_SET, TWQC_RESET};
    if (!row) {
        // not in the table: the code stays CAPUNSUPPORTED
    } else if (message == MSG_QUERYSUPPORT) {
        result = QuerySupport(*capability, *row, conditionCode);
    } else if (message >= sizeof kMaskOf / sizeof kMaskOf[0] || kMaskOf[message] == 0) {
        // GETFIRST, GETNEXT and unknown messages: the code stays CAPUNSUPPORTED
    } else if (!(row->mask & kMaskOf[message])) {
        conditionCode = TWCC_CAPBADOPERATION;
    } else if (message == MSG_SET) {
        result = Set(*capability, *row, conditionCode);
    } else {
        std::vector<CapabilityValue>& current = Current(*row);
        if (message == MSG_RESET) current = row->defaults;
        if (row->id == CAP_FEEDERLOADED && message == MSG_GET)
            current.front() = Number(TWTY_BOOL, context.imagePending);
        const TW_UINT16 container = message == MSG_GET             ? row->getContainer
                                    : row->id == CAP_SUPPORTEDCAPS ? TW_UINT16(TWON_ARRAY)
                                                                   : TW_UINT16(TWON_ONEVALUE);
        const bool defaults = message == MSG_GETDEFAULT || message == MSG_RESET;
        result = Answer(*capability, *row, container, defaults ? row->defaults : current, conditionCode);
    }
    if (context.legacyProtocol && conditionCode > TWCC_BADDEST) conditionCode = TWCC_BADCAP;
    return result;
}

TW_UINT16 CapabilityTable::QuerySupport(TW_CAPABILITY& capability, const Row& row, TW_UINT16& conditionCode)
{
    TW_HANDLE handle = m_memory.Alloc(sizeof(TW_ONEVALUE));
    LockedHandle locked(m_memory, handle);
    if (!locked.Bytes()) {
        if (handle) m_memory.Free(handle);
        conditionCode = TWCC_LOWMEMORY;
        return TWRC_FAILURE;
    }
    TW_ONEVALUE one{TWTY_UINT32, row.mask};
    std::memcpy(locked.Bytes(), &one, sizeof one);
    capability.ConType = TWON_ONEVALUE;
    capability.hContainer = handle;
    conditionCode = TWCC_SUCCESS;
    return TWRC_SUCCESS;
}

TW_UINT16 CapabilityTable::Answer(TW_CAPABILITY& capability, const Row& row, TW_UINT16 container,
                                  const std::vector<CapabilityValue>& values, TW_UINT16& conditionCode)
{
    const TW_UINT16 type = row.itemType;
    const std::size_t item = WireSize(type);
    std::size_t bytes = 0;
    switch (container) {
    case TWON_ARRAY:
        bytes = offsetof(TW_ARRAY, ItemList) + item * values.size();
        break;
    case TWON_ENUMERATION:
        bytes = offsetof(TW_ENUMERATION, ItemList) + item * row.list.size();
        break;
    case TWON_RANGE:
        bytes = sizeof(TW_RANGE);
        break;
    default:
        bytes = std::max<std::size_t>(sizeof(TW_ONEVALUE), 2 + item);
        break;
    }
    TW_HANDLE handle = m_memory.Alloc(bytes);
    LockedHandle locked(m_memory, handle);
    unsigned char* out = locked.Bytes();
    if (!out) {
        if (handle) m_memory.Free(handle);
        conditionCode = TWCC_LOWMEMORY;
        return TWRC_FAILURE;
    }
    std::memcpy(out, &type, sizeof type);
    const CapabilityValue& current = values.front();
    if (container == TWON_ARRAY) {
        const TW_UINT32 count = TW_UINT32(values.size());
        std::memcpy(out + offsetof(TW_ARRAY, NumItems), &count, sizeof count);
        for (std::size_t i = 0; i < values.size(); ++i)
            ToWire(type, values[i], out + offsetof(TW_ARRAY, ItemList) + i * item);
    } else if (container == TWON_ENUMERATION) {
        TW_ENUMERATION head{};
        head.ItemType = type;
        head.NumItems = TW_UINT32(row.list.size());
        head.CurrentIndex = IndexOf(type, row.list, Current(row).front());
        head.DefaultIndex = IndexOf(type, row.list, row.defaults.front());
        std::memcpy(out, &head, offsetof(TW_ENUMERATION, ItemList));
        for (std::size_t i = 0; i < row.list.size(); ++i)
            ToWire(type, row.list[i], out + offsetof(TW_ENUMERATION, ItemList) + i * item);
    } else if (container == TWON_RANGE) {
        TW_RANGE range{type,
                       ToItem(type, row.list[0]),
                       ToItem(type, row.list[1]),
                       ToItem(type, row.list[2]),
                       ToItem(type, row.defaults.front()),
                       ToItem(type, Current(row).front())};
        std::memcpy(out, &range, sizeof range);
    } else if (item > 4) {
        ToWire(type, current, out + offsetof(TW_ONEVALUE, Item));
    } else {
        const TW_UINT32 value = ToItem(type, current);
        std::memcpy(out + offsetof(TW_ONEVALUE, Item), &value, sizeof value);
    }
    capability.ConType = container;
    capability.hContainer = handle;
    conditionCode = TWCC_SUCCESS;
    return TWRC_SUCCESS;
}

// A listed value; for a range any value on its grid from the minimum up to
// the maximum (every range's default lies on its grid).
bool CapabilityTable::Allowed(const Row& row, const CapabilityValue& value) const
{
    if (IndexOf(row.itemType, row.list, value) < row.list.size()) return true;
    if (row.getContainer != TWON_RANGE) return false;
    auto units = [&](const CapabilityValue& v) {
        return row.itemType == TWTY_FIX32 ? std::llround(double(HeldFloat(v)) * 65536.0)
                                          : (long long)TW_INT16(Held16(v));
    };
    const long long v = units(value), low = units(row.list[0]), high = units(row.list[1]), step = units(row.list[2]);
    return step > 0 && v >= low && v <= high && (v - low) % step == 0;
}

TW_UINT16 CapabilityTable::Set(TW_CAPABILITY& capability, const Row& row, TW_UINT16& conditionCode)
{
    conditionCode = TWCC_BADVALUE;
    if (capability.ConType != TWON_ONEVALUE) return TWRC_FAILURE;
    LockedHandle locked(m_memory, capability.hContainer);
    const unsigned char* in = locked.Bytes();
    const std::size_t item = WireSize(row.itemType);
    const std::size_t needed = item > 4 ? 2 + item : sizeof(TW_ONEVALUE);
    if (!in || locked.Size() < needed) return TWRC_FAILURE;
    TW_UINT16 type;
    std::memcpy(&type, in, sizeof type);
    if (type != row.itemType) return TWRC_FAILURE;
    const unsigned char* at = in + offsetof(TW_ONEVALUE, Item);
    CapabilityValue value;
    if (row.itemType == TWTY_FIX32 || item > 4) {
        value = FromWire(row.itemType, at);
    } else {
        TW_UINT32 raw;
        std::memcpy(&raw, at, sizeof raw);
        const TW_UINT16 low = TW_UINT16(raw);
        value = FromWire(row.itemType, reinterpret_cast<const unsigned char*>(&low));
    }
    if (!Allowed(row, value)) return TWRC_FAILURE;
    Current(row).front() = value;
    conditionCode = TWCC_SUCCESS;
    return TWRC_SUCCESS;
}
