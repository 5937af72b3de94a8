#include "FileSlots.h"

namespace setup {

intptr_t FileSlots::Acquire()
{
    for (int tried = 0; tried < kSlots; ++tried) {
        int slot = (next_ + tried) % kSlots;
        if (used_[slot]) continue;
        used_[slot] = true;
        slots_[slot] = FileSlot();
        next_ = (slot + 1) % kSlots;
        return slot + 1;
    }
    return -1;
}

FileSlot* FileSlots::Find(intptr_t handle)
{
    if (handle < 1 || handle > kSlots || !used_[handle - 1]) return nullptr;
    return &slots_[handle - 1];
}

void FileSlots::Release(intptr_t handle)
{
    if (!Find(handle)) return;
    used_[handle - 1] = false;
    next_ = static_cast<int>(handle - 1);
}

}  // namespace setup
