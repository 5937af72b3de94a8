#include "AnnotationQueue.h"

AnnotationQueue::Added AnnotationQueue::Add(Entry entry)
{
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_entries.size() >= kLimit) return Added::Refused;
    m_entries.push_back(std::move(entry));
    return m_entries.size() == 1 ? Added::First : Added::Waiting;
}

std::vector<AnnotationQueue::Entry> AnnotationQueue::TakeAll()
{
    std::lock_guard<std::mutex> guard(m_lock);
    return std::exchange(m_entries, {});
}
