// The files that the cabinet library has open, by the handle it was given.
#pragma once

#include <cstdint>

#include "MemoryCabinet.h"

namespace setup {

struct FileSlot {
    bool inMemory = false;  // the program's own cabinet, else a runtime file
    int descriptor = -1;    // runtime file descriptor
    MemoryCabinet cabinet;
};

// 256 slots, searched from a rotating index. Handles are slot number + 1:
// the cabinet library takes 0 from a file-copy notification as "skip".
class FileSlots {
public:
    static constexpr int kSlots = 256;

    // A free slot's handle, or -1 when all are taken.
    intptr_t Acquire();
    // The slot behind a handle, or null when it is not open.
    FileSlot* Find(intptr_t handle);
    // Frees the slot; it is the next one searched.
    void Release(intptr_t handle);

private:
    FileSlot slots_[kSlots];
    bool used_[kSlots] = {};
    int next_ = 0;
};

}  // namespace setup
