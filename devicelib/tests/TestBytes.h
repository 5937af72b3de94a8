// Byte strings written as hex text in test tables.
#pragma once

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

inline std::vector<uint8_t> Hex(const std::string& text)
{
    std::istringstream in(text);
    std::vector<uint8_t> bytes;
    unsigned value;
    while (in >> std::hex >> value) bytes.push_back(static_cast<uint8_t>(value));
    return bytes;
}

// A 160-byte camera property buffer: set GUID, id, flags, then the given
// bytes from offset 24, zeros to the end.
inline std::vector<uint8_t> PropertyBuffer(uint8_t id, uint8_t flags, const std::string& fromByte24)
{
    std::vector<uint8_t> buffer = Hex("72 76 6F 44 87 C1 D2 11 BA 41 00 A0 C9 0D 2B 05");
    const uint8_t header[] = {id, 0, 0, 0, flags, 0, 0, 0};
    buffer.insert(buffer.end(), header, header + sizeof header);
    std::vector<uint8_t> tail = Hex(fromByte24);
    buffer.insert(buffer.end(), tail.begin(), tail.end());
    buffer.resize(160, 0);
    return buffer;
}
