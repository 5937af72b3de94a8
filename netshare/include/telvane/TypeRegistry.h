#pragma once
// Turns a received type name back into a new object.
#include "telvane/Object.h"

#include <cstdint>
#include <string>

namespace Telvane {

using ObjectFactory = Object* (*)();

class TypeRegistry {
public:
    // Stores (or replaces) the factory for one type name.
    static void add(const std::string& name, ObjectFactory factory);
    // A new object with default fields; null for an unknown name or when
    // the allocation fails.
    static Object* create(const std::string& name);
};

// Registers the fifteen types that consoles exchange; later calls do nothing.
void registerTypes();

// Decodes one command frame's payload; the caller owns the result. Null when
// the type is not registered or the frame is malformed.
Object* decodeMessage(const void* data, uint32_t length);

}  // namespace Telvane
