#include "PipeMessage.h"

#include <cstring>

namespace setup {
namespace {

constexpr uint32_t kFlagBits = 0x377;

bool HasText(const char* text) { return text && text[0]; }

}  // namespace

size_t PipeMessageLength(const char* text) { return HasText(text) ? 4 + std::strlen(text) + 1 : 4; }

void EncodePipeMessage(uint32_t type, const char* text, unsigned char* out)
{
    for (int i = 0; i < 4; ++i) out[i] = static_cast<unsigned char>(type >> (8 * i));
    if (HasText(text)) std::memcpy(out + 4, text, std::strlen(text) + 1);
}

const char* MessageTypeName(uint32_t type)
{
    static const char* const kNames[] = {
        "INSTALLMESSAGE_FATALEXIT",     "INSTALLMESSAGE_ERROR",          "INSTALLMESSAGE_WARNING",
        "INSTALLMESSAGE_USER",          "INSTALLMESSAGE_INFO",           "INSTALLMESSAGE_FILESINUSE",
        "INSTALLMESSAGE_RESOLVESOURCE", "INSTALLMESSAGE_OUTOFDISKSPACE", "INSTALLMESSAGE_ACTIONSTART",
        "INSTALLMESSAGE_ACTIONDATA",    "INSTALLMESSAGE_PROGRESS",       "INSTALLMESSAGE_COMMONDATA",
        "INSTALLMESSAGE_INITIALIZE",    "INSTALLMESSAGE_TERMINATE",      "INSTALLMESSAGE_SHOWDIALOG",
    };
    uint32_t masked = type & ~kFlagBits;
    if (masked & 0x00FFFFFF) return "Unknown Message";
    uint32_t index = masked >> 24;
    return index < sizeof kNames / sizeof kNames[0] ? kNames[index] : "Unknown Message";
}

}  // namespace setup
