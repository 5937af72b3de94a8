#pragma once
// The multicast DNS responder and querier behind the dns_sd calls: one
// socket on 224.0.0.251:5353 and a thread that probes, announces and
// defends our services, answers queries, keeps a cache of what others
// announce and reports services that come and go.
#include "DnsMessage.h"

#include "telvane/Socket.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace dnssd {

using Clock = std::chrono::steady_clock;

// The machine's name up to its first dot: the default service name.
std::string machineName();

struct ServiceDescription {
    std::string instance;  // one label, UTF-8
    Name type;             // e.g. {"_dovraorbile", "_tcp", "local"}
    uint16_t port = 0;     // host order
    std::vector<uint8_t> txt;
    bool autoRename = true;
};

struct Resolved {
    Name fullName;
    std::string hostAddress;  // dotted IPv4
    uint16_t port = 0;        // host order
    std::vector<uint8_t> txt;
};

// Callbacks run on the engine's thread with its lock held: they must only
// hand the result on, never call back into the engine.
using RegisterCallback = std::function<void(int error, const std::string& name)>;
using BrowseCallback = std::function<void(bool added, const std::string& instance)>;
using ResolveCallback = std::function<void(int error, const Resolved& result)>;

class Engine {
public:
    using Id = uint64_t;

    // The probe, announcement and resolve timing of RFC 6762.
    static constexpr auto kProbeInterval = std::chrono::milliseconds(250);
    static constexpr auto kAnnounceInterval = std::chrono::seconds(1);
    static constexpr auto kResolveTimeout = std::chrono::seconds(5);

    Engine();
    ~Engine();
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    // The process's engine, started on first use; null when the multicast
    // socket cannot be opened.
    static Engine* shared();

    bool running() const { return thread_.joinable(); }
    const Name& hostName() const { return hostName_; }

    Id registerService(const ServiceDescription& description, RegisterCallback done);
    Id browse(const Name& type, BrowseCallback changed);
    Id resolve(const Name& fullName, ResolveCallback done);
    // Ends an operation; a registered service says goodbye. No callback of
    // it runs after this returns.
    void cancel(Id id);

private:
    struct Service;
    struct Browse;
    struct Resolve;
    struct Cached {
        Record record;
        Clock::time_point received;
        Clock::time_point expires;
    };

    void run();
    // One wait for a datagram, then the timers.
    void serve();
    void handle(const Message& message, const sockaddr_in& from);
    void handleResponse(const Message& message, Clock::time_point now);
    void handleQuery(const Message& message, const sockaddr_in& from);
    void answer(const Question& q, const Message& query, Message& reply) const;
    void cache(const Record& r, Clock::time_point now);
    void expire(Clock::time_point now);
    void runTimers(Clock::time_point now);
    void reportBrowses();
    void advanceResolves(Clock::time_point now);
    void conflict(Service& s, Clock::time_point now);
    void sendGoodbye(const Service& s);

    std::vector<Record> serviceRecords(const Service& s, uint32_t ttlScale) const;
    Record hostRecord() const;
    bool nameInUseHere(const Name& full, Id except) const;
    const Cached* cached(const Name& name, uint16_t type) const;
    void send(const Message& message, const sockaddr_in& to);

    Telvane::SocketLibrary library_;
    Telvane::Socket socket_ = Telvane::kNoSocket;
    sockaddr_in group_{};
    Name hostName_;
    uint32_t hostAddress_ = 0;  // network order

    mutable std::mutex lock_;
    Id nextId_ = 1;
    std::map<Id, Service> services_;
    std::map<Id, Browse> browses_;
    std::map<Id, Resolve> resolves_;
    std::vector<Cached> cache_;
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};

}  // namespace dnssd
