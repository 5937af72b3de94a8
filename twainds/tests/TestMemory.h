#pragma once
// Moveable memory for the protocol tests: every block is tracked, so a handle
// the source does not own (or no longer owns) is refused as global memory
// refuses it, and the tests can see what was left allocated.
#include <cstdlib>
#include <map>
#include <memory>
#include <vector>

#include "TwainMemory.h"

class TestMemory : public TwainMemory {
public:
    TW_HANDLE Alloc(std::size_t bytes) override
    {
        if (bytes > failAbove) return nullptr;
        auto block = std::make_unique<std::vector<unsigned char>>(bytes);
        TW_HANDLE handle = block.get();
        m_blocks[handle] = std::move(block);
        return handle;
    }
    void* Lock(TW_HANDLE handle) override
    {
        auto found = m_blocks.find(handle);
        return found == m_blocks.end() ? nullptr : found->second->data();
    }
    void Unlock(TW_HANDLE) override {}
    void Free(TW_HANDLE handle) override { m_blocks.erase(handle); }
    std::size_t Size(TW_HANDLE handle) override
    {
        auto found = m_blocks.find(handle);
        return found == m_blocks.end() ? 0 : found->second->size();
    }

    std::size_t Live() const { return m_blocks.size(); }
    std::size_t failAbove = std::size_t(-1);

private:
    std::map<TW_HANDLE, std::unique_ptr<std::vector<unsigned char>>> m_blocks;
};
