#include "Engine.h"

#include "dns_sd.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <random>

#ifndef _WIN32
#include <unistd.h>
#endif

namespace dnssd {

namespace {

constexpr uint16_t kMdnsPort = 5353;
constexpr char kMdnsGroup[] = "224.0.0.251";
constexpr uint32_t kHostTtl = 120;    // records that name the host: SRV, A
constexpr uint32_t kOtherTtl = 4500;  // PTR, TXT
constexpr uint32_t kLegacyTtl = 10;   // answers to one-shot queries
constexpr int kProbes = 3;
constexpr int kAnnouncements = 2;
constexpr auto kGoodbyeGrace = std::chrono::seconds(1);
constexpr auto kMaxQueryInterval = std::chrono::seconds(60);
constexpr int kWaitMs = 50;
// What others announce is cached up to this many records; a flood of
// records is not stored beyond it.
constexpr size_t kMaxCached = 1024;
constexpr size_t kMaxDatagram = 9000;
// Known answers listed in one query, keeping it within one Ethernet frame.
constexpr size_t kMaxKnownAnswers = 24;

const Name kServiceEnumeration{"_services", "_dns-sd", "_udp", "local"};

Name join(const std::string& label, const Name& rest)
{
    Name name{label};
    name.insert(name.end(), rest.begin(), rest.end());
    return name;
}

// The machine's name as one host-name label: letters, digits and hyphens.
std::string hostLabel()
{
    std::string label;
    for (const char c : machineName()) {
        if (label.size() == kMaxLabel) break;
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        label += plain ? c : '-';
    }
    return label;
}

// The address that our multicast leaves from: the one peers can reach us at.
uint32_t outgoingAddress(const sockaddr_in& group)
{
    Telvane::Socket probe = Telvane::net::openUdp();
    sockaddr_in local{};
    const bool known = probe != Telvane::kNoSocket && Telvane::net::connectTo(probe, group) &&
                       Telvane::net::localAddress(probe, local) && local.sin_addr.s_addr != 0;
    Telvane::net::closeSocket(probe);
    return known ? local.sin_addr.s_addr : htonl(INADDR_LOOPBACK);
}

std::string dotted(uint32_t addressNetworkOrder)
{
    const auto* b = reinterpret_cast<const uint8_t*>(&addressNetworkOrder);
    char text[16];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", b[0], b[1], b[2], b[3]);
    return text;
}

// "Name" becomes "Name (2)", "Name (2)" becomes "Name (3)"; the base is
// shortened (on a UTF-8 character boundary) to keep within one label.
std::string renamed(const std::string& name)
{
    std::string base = name;
    unsigned number = 1;
    const size_t open = name.rfind(" (");
    if (open != std::string::npos && name.size() > open + 3 && name.back() == ')') {
        const std::string digits = name.substr(open + 2, name.size() - open - 3);
        if (digits.size() < 6 &&
            std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) {
            base = name.substr(0, open);
            number = unsigned(std::stoul(digits));
        }
    }
    const std::string suffix = " (" + std::to_string(number + 1) + ")";
    while (base.size() + suffix.size() > kMaxLabel) {
        base.pop_back();
        while (!base.empty() && (uint8_t(base.back()) & 0xC0) == 0x80) base.pop_back();
        if (!base.empty() && (uint8_t(base.back()) & 0xC0) == 0xC0) base.pop_back();
    }
    return base + suffix;
}

bool hasRecord(const std::vector<Record>& list, const Record& r)
{
    return std::any_of(list.begin(), list.end(),
                       [&](const Record& x) { return sameName(x.name, r.name) && x.sameData(r); });
}

void addOnce(std::vector<Record>& list, const Record& r)
{
    if (!hasRecord(list, r)) list.push_back(r);
}

bool asks(const Question& q, uint16_t type) { return q.klass == kClassIn && (q.type == type || q.type == kTypeAny); }

}  // namespace

std::string machineName()
{
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) != 0 || !name[0]) return "orbile";
    return std::string(name).substr(0, std::strcspn(name, "."));
}

struct Engine::Service {
    enum class State { Probing, Announcing, Live };

    Id id = 0;
    ServiceDescription description;
    std::string name;
    State state = State::Probing;
    int sent = 0;  // probes or announcements sent in this state
    Clock::time_point next;
    RegisterCallback done;
    bool gone = false;

    Name full() const { return join(name, description.type); }
    bool announced() const { return state != State::Probing; }
};

struct Engine::Browse {
    Name type;
    BrowseCallback changed;
    std::vector<std::string> reported;
    Clock::time_point next;
    Clock::duration interval = std::chrono::seconds(1);
};

struct Engine::Resolve {
    Name full;
    ResolveCallback done;
    Clock::time_point next;
    Clock::time_point deadline;
};

Engine::Engine() : socket_(Telvane::net::openUdp())
{
    group_ = Telvane::net::ipv4Address(inet_addr(kMdnsGroup), htons(kMdnsPort));
    if (socket_ == Telvane::kNoSocket) return;
    const sockaddr_in any = Telvane::net::ipv4Address(htonl(INADDR_ANY), htons(kMdnsPort));
    ip_mreq membership{};
    membership.imr_multiaddr.s_addr = group_.sin_addr.s_addr;
    membership.imr_interface.s_addr = htonl(INADDR_ANY);
    // Other responders on this host share the port.
    if (!Telvane::net::setByteOption(socket_, SOL_SOCKET, SO_REUSEADDR, true) ||
        bind(socket_, reinterpret_cast<const sockaddr*>(&any), sizeof any) != 0 ||
        setsockopt(socket_, IPPROTO_IP, IP_ADD_MEMBERSHIP, reinterpret_cast<const char*>(&membership),
                   sizeof membership) != 0 ||
        !Telvane::net::setIntOption(socket_, IPPROTO_IP, IP_MULTICAST_TTL, 255)) {
        Telvane::net::closeSocket(socket_);
        return;
    }
    hostName_ = {hostLabel(), "local"};
    hostAddress_ = outgoingAddress(group_);
    try {
        thread_ = std::thread(&Engine::run, this);
    } catch (const std::system_error&) {
        Telvane::net::closeSocket(socket_);
    }
}

Engine::~Engine()
{
    stopping_ = true;
    if (thread_.joinable()) thread_.join();
    Telvane::net::closeSocket(socket_);
}

Engine* Engine::shared()
{
    static Engine engine;
    return engine.running() ? &engine : nullptr;
}

Engine::Id Engine::registerService(const ServiceDescription& description, RegisterCallback done)
{
    static std::minstd_rand random(unsigned(Clock::now().time_since_epoch().count()));
    std::lock_guard<std::mutex> hold(lock_);
    const Id id = nextId_++;
    Service s;
    s.id = id;
    s.description = description;
    s.name = description.instance;
    s.done = std::move(done);
    while (nameInUseHere(s.full(), id)) s.name = renamed(s.name);
    // Responders started together do not probe in step.
    s.next = Clock::now() + std::chrono::milliseconds(random() % 250);
    services_.emplace(id, std::move(s));
    return id;
}

Engine::Id Engine::browse(const Name& type, BrowseCallback changed)
{
    std::lock_guard<std::mutex> hold(lock_);
    const Id id = nextId_++;
    Browse b;
    b.type = type;
    b.changed = std::move(changed);
    b.next = Clock::now();
    browses_.emplace(id, std::move(b));
    reportBrowses();  // what the cache knows already
    return id;
}

Engine::Id Engine::resolve(const Name& fullName, ResolveCallback done)
{
    std::lock_guard<std::mutex> hold(lock_);
    const Id id = nextId_++;
    Resolve r;
    r.full = fullName;
    r.done = std::move(done);
    r.next = Clock::now();
    r.deadline = r.next + kResolveTimeout;
    resolves_.emplace(id, std::move(r));
    return id;
}

void Engine::cancel(Id id)
{
    std::lock_guard<std::mutex> hold(lock_);
    auto service = services_.find(id);
    if (service != services_.end()) {
        if (service->second.announced() && !service->second.gone) sendGoodbye(service->second);
        services_.erase(service);
    }
    browses_.erase(id);
    resolves_.erase(id);
}

void Engine::run()
{
    while (!stopping_) {
        try {
            serve();
        } catch (const std::exception&) {
            // Out of memory for one message or pass: the next one may fit.
        }
    }
}

void Engine::serve()
{
    bool ready = false;
    if (Telvane::net::waitReadable(&socket_, 1, kWaitMs, &ready) > 0) {
        uint8_t datagram[kMaxDatagram];
        sockaddr_in from{};
        socklen_t fromLength = sizeof from;
        const long got = recvfrom(socket_, reinterpret_cast<char*>(datagram), int(sizeof datagram), 0,
                                  reinterpret_cast<sockaddr*>(&from), &fromLength);
        Message message;
        if (got > 0 && parseMessage(datagram, size_t(got), message)) {
            std::lock_guard<std::mutex> hold(lock_);
            handle(message, from);
        }
    }
    std::lock_guard<std::mutex> hold(lock_);
    runTimers(Clock::now());
}

void Engine::handle(const Message& message, const sockaddr_in& from)
{
    const uint16_t opcodeAndCode = 0x780F;
    if (message.flags & opcodeAndCode) return;  // only standard queries and error-free responses are ours
    if (message.isResponse())
        handleResponse(message, Clock::now());
    else
        handleQuery(message, from);
}

void Engine::handleResponse(const Message& message, Clock::time_point now)
{
    for (const auto* section : {&message.answers, &message.additionals}) {
        for (const Record& r : *section) {
            for (auto& entry : services_) {
                Service& s = entry.second;
                if (s.gone || !sameName(r.name, s.full())) continue;
                const std::vector<Record> ours = serviceRecords(s, 1);
                const bool same = hasRecord(ours, r);
                // While probing any live record of the name is another's
                // claim; once ours, only a unique record with other data is.
                const bool unique = r.type == kTypeSrv || r.type == kTypeTxt;
                if (!same && r.ttl > 0 && (!s.announced() || (unique && r.cacheFlush))) conflict(s, now);
            }
            cache(r, now);
        }
    }
    reportBrowses();
    advanceResolves(now);
}

void Engine::handleQuery(const Message& message, const sockaddr_in& from)
{
    const Clock::time_point now = Clock::now();
    // Two hosts probing for one name at once: the lexicographically later
    // data wins, the other host renames.
    for (const Record& theirs : message.authorities) {
        if (theirs.type != kTypeSrv) continue;
        for (auto& entry : services_) {
            Service& s = entry.second;
            if (s.gone || s.announced() || !sameName(theirs.name, s.full())) continue;
            const Record ours = serviceRecords(s, 1)[1];
            if (ours.sameData(theirs)) continue;
            const auto key = [](const Record& r) { return std::make_pair(r.port, nameText(r.target)); };
            if (key(ours) < key(theirs)) conflict(s, now);
        }
    }

    Message reply;
    reply.flags = Message::kResponse | Message::kAuthoritative;
    for (const Question& q : message.questions) answer(q, message, reply);
    if (reply.answers.empty()) return;
    reply.additionals.erase(std::remove_if(reply.additionals.begin(), reply.additionals.end(),
                                           [&](const Record& r) { return hasRecord(reply.answers, r); }),
                            reply.additionals.end());
    // A one-shot querier (not on port 5353) gets a plain DNS answer of its own.
    if (ntohs(from.sin_port) != kMdnsPort) {
        reply.id = message.id;
        reply.questions = message.questions;
        for (auto* section : {&reply.answers, &reply.additionals})
            for (Record& r : *section) {
                r.cacheFlush = false;
                r.ttl = std::min(r.ttl, kLegacyTtl);
            }
        send(reply, from);
        return;
    }
    send(reply, group_);
}

void Engine::answer(const Question& q, const Message& query, Message& reply) const
{
    const auto known = [&](const Record& r) {
        return std::any_of(query.answers.begin(), query.answers.end(), [&](const Record& a) {
            return sameName(a.name, r.name) && a.sameData(r) && a.ttl >= r.ttl / 2;
        });
    };
    for (const auto& entry : services_) {
        const Service& s = entry.second;
        if (s.gone || !s.announced()) continue;
        const std::vector<Record> records = serviceRecords(s, 1);
        const Record &ptr = records[0], &srv = records[1], &txt = records[2];
        if (sameName(q.name, s.description.type) && asks(q, kTypePtr) && !known(ptr)) {
            addOnce(reply.answers, ptr);
            addOnce(reply.additionals, srv);
            addOnce(reply.additionals, txt);
            addOnce(reply.additionals, hostRecord());
        }
        if (sameName(q.name, kServiceEnumeration) && asks(q, kTypePtr)) {
            Record types;
            types.name = kServiceEnumeration;
            types.type = kTypePtr;
            types.ttl = kOtherTtl;
            types.target = s.description.type;
            if (!known(types)) addOnce(reply.answers, types);
        }
        if (sameName(q.name, s.full())) {
            if (asks(q, kTypeSrv)) {
                addOnce(reply.answers, srv);
                addOnce(reply.additionals, hostRecord());
            }
            if (asks(q, kTypeTxt)) addOnce(reply.answers, txt);
        }
    }
    if (sameName(q.name, hostName_) && asks(q, kTypeA)) addOnce(reply.answers, hostRecord());
}

void Engine::cache(const Record& r, Clock::time_point now)
{
    const bool kept = r.type == kTypePtr || r.type == kTypeSrv || r.type == kTypeTxt || r.type == kTypeA;
    if (r.klass != kClassIn || !kept) return;
    // A goodbye, or a record whose cache-flush bit replaces older data,
    // leaves a second for stragglers before the record goes.
    const Clock::time_point soon = now + kGoodbyeGrace;
    bool found = false;
    for (Cached& c : cache_) {
        if (c.record.type != r.type || !sameName(c.record.name, r.name)) continue;
        if (c.record.sameData(r)) {
            found = true;
            c.record.ttl = r.ttl;
            c.received = now;
            c.expires = r.ttl == 0 ? std::min(c.expires, soon) : now + std::chrono::seconds(r.ttl);
        } else if (r.cacheFlush && c.received + kGoodbyeGrace < now) {
            c.expires = std::min(c.expires, soon);
        }
    }
    if (found || r.ttl == 0 || cache_.size() >= kMaxCached) return;
    cache_.push_back(Cached{r, now, now + std::chrono::seconds(r.ttl)});
}

void Engine::expire(Clock::time_point now)
{
    const size_t before = cache_.size();
    cache_.erase(std::remove_if(cache_.begin(), cache_.end(), [&](const Cached& c) { return c.expires <= now; }),
                 cache_.end());
    if (cache_.size() != before) reportBrowses();
}

void Engine::reportBrowses()
{
    for (auto& entry : browses_) {
        Browse& b = entry.second;
        std::vector<std::string> present;
        for (const Cached& c : cache_) {
            const Name& target = c.record.target;
            if (c.record.type == kTypePtr && sameName(c.record.name, b.type) && target.size() == b.type.size() + 1 &&
                sameName(Name(target.begin() + 1, target.end()), b.type) &&
                std::find(present.begin(), present.end(), target[0]) == present.end())
                present.push_back(target[0]);
        }
        for (const std::string& instance : present)
            if (std::find(b.reported.begin(), b.reported.end(), instance) == b.reported.end()) {
                b.reported.push_back(instance);
                b.changed(true, instance);
            }
        for (auto it = b.reported.begin(); it != b.reported.end();) {
            if (std::find(present.begin(), present.end(), *it) != present.end()) {
                ++it;
                continue;
            }
            const std::string instance = *it;
            it = b.reported.erase(it);
            b.changed(false, instance);
        }
    }
}

const Engine::Cached* Engine::cached(const Name& name, uint16_t type) const
{
    for (const Cached& c : cache_)
        if (c.record.type == type && c.record.ttl > 0 && sameName(c.record.name, name)) return &c;
    return nullptr;
}

void Engine::advanceResolves(Clock::time_point now)
{
    for (auto it = resolves_.begin(); it != resolves_.end();) {
        Resolve& r = it->second;
        const Cached* srv = cached(r.full, kTypeSrv);
        const Cached* address = srv ? cached(srv->record.target, kTypeA) : nullptr;
        if (address) {
            Resolved result;
            result.fullName = r.full;
            result.hostAddress = dotted(address->record.address);
            result.port = srv->record.port;
            if (const Cached* txt = cached(r.full, kTypeTxt)) result.txt = txt->record.data;
            r.done(kDNSServiceErr_NoError, result);
            it = resolves_.erase(it);
            continue;
        }
        if (now >= r.deadline) {
            r.done(kDNSServiceErr_Timeout, Resolved());
            it = resolves_.erase(it);
            continue;
        }
        if (now >= r.next) {
            Message query;
            query.questions.push_back(Question{r.full, kTypeSrv, kClassIn, false});
            query.questions.push_back(Question{r.full, kTypeTxt, kClassIn, false});
            if (srv) query.questions.push_back(Question{srv->record.target, kTypeA, kClassIn, false});
            send(query, group_);
            r.next = now + std::chrono::seconds(1);
        }
        ++it;
    }
}

void Engine::conflict(Service& s, Clock::time_point now)
{
    if (!s.description.autoRename) {
        s.gone = true;
        s.done(kDNSServiceErr_NameConflict, s.name);
        return;
    }
    do s.name = renamed(s.name);
    while (nameInUseHere(s.full(), s.id));
    s.state = Service::State::Probing;
    s.sent = 0;
    s.next = now + kProbeInterval;
}

void Engine::runTimers(Clock::time_point now)
{
    expire(now);
    for (auto& entry : services_) {
        Service& s = entry.second;
        if (s.gone || now < s.next) continue;
        if (s.state == Service::State::Probing && s.sent == kProbes) {
            s.state = Service::State::Announcing;
            s.sent = 0;
        }
        const std::vector<Record> records = serviceRecords(s, 1);
        Message m;
        if (s.state == Service::State::Probing) {
            // Answers to probes are asked for by multicast: unicast to port
            // 5353 reaches only one of the sockets that share it on a host.
            m.questions.push_back(Question{s.full(), kTypeAny, kClassIn, false});
            m.authorities = {records[1], records[2]};
            for (Record& r : m.authorities) r.cacheFlush = false;
            s.next = now + kProbeInterval;
        } else {
            m.flags = Message::kResponse | Message::kAuthoritative;
            m.answers = records;
            m.answers.push_back(hostRecord());
            s.next = now + kAnnounceInterval;
        }
        send(m, group_);
        ++s.sent;
        if (s.state == Service::State::Announcing && s.sent == 1) s.done(kDNSServiceErr_NoError, s.name);
        if (s.state == Service::State::Announcing && s.sent == kAnnouncements) s.state = Service::State::Live;
    }
    for (auto& entry : browses_) {
        Browse& b = entry.second;
        if (now < b.next) continue;
        Message query;
        query.questions.push_back(Question{b.type, kTypePtr, kClassIn, false});
        for (const Cached& c : cache_)
            if (c.record.type == kTypePtr && sameName(c.record.name, b.type) &&
                c.expires - now > std::chrono::seconds(c.record.ttl / 2) && query.answers.size() < kMaxKnownAnswers)
                query.answers.push_back(c.record);
        send(query, group_);
        b.next = now + b.interval;
        b.interval = std::min<Clock::duration>(b.interval * 2, kMaxQueryInterval);
    }
    advanceResolves(now);
}

void Engine::sendGoodbye(const Service& s)
{
    Message m;
    m.flags = Message::kResponse | Message::kAuthoritative;
    m.answers = serviceRecords(s, 0);
    send(m, group_);
}

std::vector<Record> Engine::serviceRecords(const Service& s, uint32_t ttlScale) const
{
    Record ptr;
    ptr.name = s.description.type;
    ptr.type = kTypePtr;
    ptr.ttl = kOtherTtl * ttlScale;
    ptr.target = s.full();

    Record srv;
    srv.name = s.full();
    srv.type = kTypeSrv;
    srv.cacheFlush = true;
    srv.ttl = kHostTtl * ttlScale;
    srv.port = s.description.port;
    srv.target = hostName_;

    Record txt;
    txt.name = s.full();
    txt.type = kTypeTxt;
    txt.cacheFlush = true;
    txt.ttl = kOtherTtl * ttlScale;
    // An empty TXT record still holds one empty string.
    txt.data = s.description.txt.empty() ? std::vector<uint8_t>{0} : s.description.txt;
    return {ptr, srv, txt};
}

Record Engine::hostRecord() const
{
    Record a;
    a.name = hostName_;
    a.type = kTypeA;
    a.cacheFlush = true;
    a.ttl = kHostTtl;
    a.address = hostAddress_;
    return a;
}

bool Engine::nameInUseHere(const Name& full, Id except) const
{
    for (const auto& entry : services_)
        if (entry.first != except && !entry.second.gone && sameName(entry.second.full(), full)) return true;
    return false;
}

void Engine::send(const Message& message, const sockaddr_in& to)
{
    const std::vector<uint8_t> bytes = buildMessage(message);
    Telvane::net::sendTo(socket_, bytes.data(), bytes.size(), to);
}

}  // namespace dnssd
