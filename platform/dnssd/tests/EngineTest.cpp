// Two engines in one process play two hosts on one link: each has its own
// socket on port 5353, and each sees the other's multicast. Runs only in a
// network namespace of its own (see netshare/tests/in-netns).
#include "Engine.h"

#include "dns_sd.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

using namespace dnssd;

namespace {

const Name kType{"_dovraorbile", "_tcp", "local"};

// What the engine's callbacks report, in order, for the test thread to
// wait on.
class Events {
public:
    void add(const std::string& event)
    {
        std::lock_guard<std::mutex> hold(lock_);
        events_.push_back(event);
        changed_.notify_all();
    }

    bool waitFor(const std::string& event, int seconds = 10)
    {
        std::unique_lock<std::mutex> hold(lock_);
        return changed_.wait_for(hold, std::chrono::seconds(seconds),
                                 [&] { return std::find(events_.begin(), events_.end(), event) != events_.end(); });
    }

    std::vector<std::string> all()
    {
        std::lock_guard<std::mutex> hold(lock_);
        return events_;
    }

private:
    std::mutex lock_;
    std::condition_variable changed_;
    std::vector<std::string> events_;
};

ServiceDescription description(const std::string& name, uint16_t port, bool autoRename = true)
{
    ServiceDescription s;
    s.instance = name;
    s.type = kType;
    s.port = port;
    s.autoRename = autoRename;
    return s;
}

RegisterCallback recordRegister(Events& events, const std::string& who)
{
    return [&events, who](int error, const std::string& name) {
        events.add(who + (error ? " error " + std::to_string(error) : " registered " + name));
    };
}

TEST(EngineTest, ServiceIsFoundResolvedAndGoneAfterGoodbye)
{
    Engine a, b;
    ASSERT_TRUE(a.running() && b.running());
    Events events;
    const Engine::Id browse =
        b.browse(kType, [&](bool added, const std::string& name) { events.add((added ? "add " : "remove ") + name); });
    const Engine::Id service = a.registerService(description("Room 4.1", 7000), recordRegister(events, "a"));
    ASSERT_TRUE(events.waitFor("a registered Room 4.1"));
    ASSERT_TRUE(events.waitFor("add Room 4.1"));

    b.resolve(Name{"Room 4.1", "_dovraorbile", "_tcp", "local"}, [&](int error, const Resolved& r) {
        events.add("resolved " + std::to_string(error) + " " + r.hostAddress + " " + std::to_string(r.port) + " " +
                   nameText(r.fullName));
    });
    EXPECT_TRUE(events.waitFor("resolved 0 127.0.0.1 7000 Room 4\\.1._dovraorbile._tcp.local."))
        << ::testing::PrintToString(events.all());

    a.cancel(service);
    EXPECT_TRUE(events.waitFor("remove Room 4.1", 5));
    b.cancel(browse);
}

TEST(EngineTest, NameTakenByAnotherHostIsRenamedOrRefused)
{
    Engine a, b;
    Events events;
    const Engine::Id first = a.registerService(description("Room", 7000), recordRegister(events, "a"));
    ASSERT_TRUE(events.waitFor("a registered Room"));
    const Engine::Id renamed = b.registerService(description("Room", 7001), recordRegister(events, "b"));
    EXPECT_TRUE(events.waitFor("b registered Room (2)")) << ::testing::PrintToString(events.all());
    const Engine::Id refused = b.registerService(description("Room", 7002, false), recordRegister(events, "c"));
    EXPECT_TRUE(events.waitFor("c error " + std::to_string(kDNSServiceErr_NameConflict)));
    // Within one engine a second registration of a name takes the next
    // one, here held by the other host as well.
    const Engine::Id same = a.registerService(description("Room", 7003), recordRegister(events, "d"));
    EXPECT_TRUE(events.waitFor("d registered Room (3)")) << ::testing::PrintToString(events.all());
    for (Engine::Id id : {first, same}) a.cancel(id);
    for (Engine::Id id : {renamed, refused}) b.cancel(id);
}

TEST(EngineTest, ResolveOfAnAbsentServiceTimesOut)
{
    Engine b;
    Events events;
    b.resolve(Name{"Nobody", "_dovraorbile", "_tcp", "local"},
              [&](int error, const Resolved&) { events.add("resolved " + std::to_string(error)); });
    EXPECT_TRUE(events.waitFor("resolved " + std::to_string(kDNSServiceErr_Timeout), 10));
}

}  // namespace
