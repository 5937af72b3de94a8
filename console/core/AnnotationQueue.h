#pragma once

#include <cstddef>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include "telvane/Shapes.h"

// Annotations that viewers send arrive on the command server's thread; the
// drawing plane belongs to the UI thread. They wait here, in order, until the
// UI thread takes them. A queue that the UI thread does not empty stops
// taking more instead of growing without end.
class AnnotationQueue {
public:
    static constexpr std::size_t kLimit = 256;

    // One command: a shape to draw, or (no shape) "erase all".
    using Entry = std::unique_ptr<Telvane::Graphic>;

    enum class Added { Refused, Waiting, First };

    // First: the queue was empty, so the caller wakes the UI thread; Waiting:
    // a wake-up is already on its way; Refused: the queue is full.
    Added Add(Entry entry);
    std::vector<Entry> TakeAll();

private:
    std::mutex m_lock;
    std::vector<Entry> m_entries;
};
