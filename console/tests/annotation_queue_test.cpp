// Annotations handed from the command server's thread to the UI thread: all
// arrive, in the order sent, each wake-up asked for once per empty queue, and
// a queue nobody empties stops growing.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "AnnotationQueue.h"

namespace {

AnnotationQueue::Entry Shape(float x) { return std::make_unique<Telvane::RectGraphic>(x, 0.0f, 0.1f, 0.1f); }

float XOf(const AnnotationQueue::Entry& entry)
{
    return entry ? static_cast<const Telvane::RectGraphic&>(*entry).x() : -1.0f;
}

TEST(AnnotationQueue, WakesOncePerEmptyQueueAndKeepsOrder)
{
    AnnotationQueue queue;
    EXPECT_EQ(queue.Add(Shape(0.1f)), AnnotationQueue::Added::First);
    EXPECT_EQ(queue.Add(nullptr), AnnotationQueue::Added::Waiting);  // erase all
    EXPECT_EQ(queue.Add(Shape(0.3f)), AnnotationQueue::Added::Waiting);
    const auto taken = queue.TakeAll();
    ASSERT_EQ(taken.size(), 3u);
    EXPECT_EQ(XOf(taken[0]), 0.1f);
    EXPECT_EQ(taken[1], nullptr);
    EXPECT_EQ(XOf(taken[2]), 0.3f);
    EXPECT_TRUE(queue.TakeAll().empty());
    EXPECT_EQ(queue.Add(Shape(0.4f)), AnnotationQueue::Added::First);
}

TEST(AnnotationQueue, FullQueueRefusesUntilTaken)
{
    AnnotationQueue queue;
    for (std::size_t i = 0; i < AnnotationQueue::kLimit; ++i) ASSERT_NE(queue.Add(Shape(0.0f)), AnnotationQueue::Added::Refused);
    EXPECT_EQ(queue.Add(Shape(0.0f)), AnnotationQueue::Added::Refused);
    EXPECT_EQ(queue.TakeAll().size(), AnnotationQueue::kLimit);
    EXPECT_EQ(queue.Add(Shape(0.0f)), AnnotationQueue::Added::First);
}

// A sender thread and a UI thread that takes whatever waits whenever it is
// woken: every shape arrives once, in order, and no wake-up is lost.
TEST(AnnotationQueue, SenderAndUiThreadMeet)
{
    AnnotationQueue queue;
    constexpr int kShapes = 5000;
    std::atomic<int> wakeUps{0};
    std::atomic<bool> sent{false};
    // A lost wake-up leaves the queue full for good: both sides give up then.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    auto inTime = [&] { return std::chrono::steady_clock::now() < deadline; };
    std::thread sender([&] {
        for (int i = 0; i < kShapes && inTime(); ++i) {
            AnnotationQueue::Added added;
            while ((added = queue.Add(Shape(static_cast<float>(i)))) == AnnotationQueue::Added::Refused && inTime())
                std::this_thread::yield();
            if (added == AnnotationQueue::Added::First) wakeUps.fetch_add(1);
        }
        sent = true;
    });
    int received = 0;
    int wakeUpsServed = 0;
    while ((!sent || wakeUpsServed < wakeUps.load()) && inTime()) {
        if (wakeUpsServed == wakeUps.load()) {
            std::this_thread::yield();
            continue;
        }
        ++wakeUpsServed;
        for (const auto& entry : queue.TakeAll()) {
            ASSERT_EQ(XOf(entry), static_cast<float>(received));
            ++received;
        }
    }
    sender.join();
    EXPECT_EQ(received, kShapes);
}

}  // namespace
