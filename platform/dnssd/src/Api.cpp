// The dns_sd calls over the engine. Each reference owns a loopback socket
// that gets one byte per waiting result, so callers can wait on it with
// select or WSAAsyncSelect; the results run the callbacks on the thread
// that calls DNSServiceProcessResult.
#include "dns_sd.h"

#include "Engine.h"

#include <cstring>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <new>

using dnssd::Engine;
using dnssd::Name;

struct _DNSServiceRef_t {
    using Result = std::function<void(DNSServiceRef self, DNSServiceFlags moreComing)>;

    Telvane::SocketLibrary library;
    Telvane::Socket signal = Telvane::kNoSocket;
    sockaddr_in signalAddress{};
    Engine* engine = nullptr;
    Engine::Id operation = 0;
    std::mutex lock;
    std::deque<Result> results;

    bool open()
    {
        signal = Telvane::net::openUdp();
        const sockaddr_in loopback = Telvane::net::ipv4Address(htonl(INADDR_LOOPBACK), 0);
        return signal != Telvane::kNoSocket &&
               bind(signal, reinterpret_cast<const sockaddr*>(&loopback), sizeof loopback) == 0 &&
               Telvane::net::localAddress(signal, signalAddress);
    }

    ~_DNSServiceRef_t()
    {
        if (engine && operation) engine->cancel(operation);
        Telvane::net::closeSocket(signal);
    }

    // Called by the engine's thread.
    void post(Result result)
    {
        {
            std::lock_guard<std::mutex> hold(lock);
            results.push_back(std::move(result));
        }
        const char one = 1;
        Telvane::net::sendTo(signal, &one, 1, signalAddress);
    }
};

namespace {

// "_type._tcp" with or without the final dot, as a name in ".local.".
bool serviceType(const char* regtype, Name& type)
{
    if (!regtype) return false;
    std::string text(regtype);
    if (!text.empty() && text.back() == '.') text.pop_back();
    type.clear();
    size_t start = 0;
    for (;;) {
        const size_t dot = text.find('.', start);
        type.push_back(text.substr(start, dot - start));
        if (dot == std::string::npos) break;
        start = dot + 1;
    }
    if (type.size() != 2 || type[0].size() < 2 || type[0].size() > 16 || type[0][0] != '_' ||
        (type[1] != "_tcp" && type[1] != "_udp"))
        return false;
    type.push_back("local");
    return true;
}

bool localDomain(const char* domain)
{
    return !domain || !*domain || !std::strcmp(domain, "local") || !std::strcmp(domain, "local.");
}

std::string typeText(const Name& type) { return type[0] + "." + type[1] + "."; }

// Checks the service type and domain that every call takes, then makes the
// reference and its signal socket; the caller starts the operation.
DNSServiceErrorType makeRef(DNSServiceRef* sdRef, const char* regtype, const char* domain, Name& type,
                            DNSServiceRef& ref)
{
    if (!sdRef || !serviceType(regtype, type)) return kDNSServiceErr_BadParam;
    if (!localDomain(domain)) return kDNSServiceErr_Unsupported;
    Engine* engine = Engine::shared();
    if (!engine) return kDNSServiceErr_ServiceNotRunning;
    ref = new (std::nothrow) _DNSServiceRef_t;
    if (!ref) return kDNSServiceErr_NoMemory;
    if (!ref->open()) {
        delete ref;
        return kDNSServiceErr_Unknown;
    }
    ref->engine = engine;
    return kDNSServiceErr_NoError;
}

}  // namespace

extern "C" {

DNSServiceErrorType DNSSD_API DNSServiceRegister(DNSServiceRef* sdRef, DNSServiceFlags flags, uint32_t interfaceIndex,
                                                 const char* name, const char* regtype, const char* domain,
                                                 const char* host, uint16_t port, uint16_t txtLen,
                                                 const void* txtRecord, DNSServiceRegisterReply callBack, void* context)
{
    try {
        dnssd::ServiceDescription description;
        if (!callBack || (txtLen && !txtRecord)) return kDNSServiceErr_BadParam;
        if (host && *host) return kDNSServiceErr_Unsupported;
        description.instance = name && *name ? name : dnssd::machineName();
        if (description.instance.size() > dnssd::kMaxLabel) return kDNSServiceErr_BadParam;
        description.port = ntohs(port);
        const auto* txt = static_cast<const uint8_t*>(txtRecord);
        description.txt.assign(txt, txt + txtLen);
        description.autoRename = !(flags & kDNSServiceFlagsNoAutoRename);

        DNSServiceRef ref = nullptr;
        const DNSServiceErrorType made = makeRef(sdRef, regtype, domain, description.type, ref);
        if (made != kDNSServiceErr_NoError) return made;
        std::unique_ptr<_DNSServiceRef_t> owner(ref);
        const std::string type = typeText(description.type);
        ref->operation = ref->engine->registerService(description, [=](int error, const std::string& registered) {
            ref->post([=](DNSServiceRef self, DNSServiceFlags more) {
                callBack(self, more | (error ? 0 : kDNSServiceFlagsAdd), error, registered.c_str(), type.c_str(),
                         "local.", context);
            });
        });
        *sdRef = owner.release();
        return kDNSServiceErr_NoError;
    } catch (const std::bad_alloc&) {
        return kDNSServiceErr_NoMemory;
    }
}

DNSServiceErrorType DNSSD_API DNSServiceBrowse(DNSServiceRef* sdRef, DNSServiceFlags flags, uint32_t interfaceIndex,
                                               const char* regtype, const char* domain, DNSServiceBrowseReply callBack,
                                               void* context)
{
    try {
        if (!callBack) return kDNSServiceErr_BadParam;
        Name type;
        DNSServiceRef ref = nullptr;
        const DNSServiceErrorType made = makeRef(sdRef, regtype, domain, type, ref);
        if (made != kDNSServiceErr_NoError) return made;
        std::unique_ptr<_DNSServiceRef_t> owner(ref);
        const std::string typeName = typeText(type);
        ref->operation = ref->engine->browse(type, [=](bool added, const std::string& instance) {
            ref->post([=](DNSServiceRef self, DNSServiceFlags more) {
                callBack(self, more | (added ? kDNSServiceFlagsAdd : 0), 0, kDNSServiceErr_NoError, instance.c_str(),
                         typeName.c_str(), "local.", context);
            });
        });
        *sdRef = owner.release();
        return kDNSServiceErr_NoError;
    } catch (const std::bad_alloc&) {
        return kDNSServiceErr_NoMemory;
    }
}

DNSServiceErrorType DNSSD_API DNSServiceResolve(DNSServiceRef* sdRef, DNSServiceFlags flags, uint32_t interfaceIndex,
                                                const char* name, const char* regtype, const char* domain,
                                                DNSServiceResolveReply callBack, void* context)
{
    try {
        if (!callBack || !name || !*name || std::strlen(name) > dnssd::kMaxLabel) return kDNSServiceErr_BadParam;
        Name type;
        DNSServiceRef ref = nullptr;
        const DNSServiceErrorType made = makeRef(sdRef, regtype, domain, type, ref);
        if (made != kDNSServiceErr_NoError) return made;
        std::unique_ptr<_DNSServiceRef_t> owner(ref);
        Name full{name};
        full.insert(full.end(), type.begin(), type.end());
        ref->operation = ref->engine->resolve(full, [=](int error, const dnssd::Resolved& found) {
            const std::string fullName = dnssd::nameText(found.fullName);
            ref->post([=](DNSServiceRef self, DNSServiceFlags more) {
                callBack(self, more, 0, error, fullName.c_str(), found.hostAddress.c_str(), htons(found.port),
                         uint16_t(found.txt.size()), found.txt.data(), context);
            });
        });
        *sdRef = owner.release();
        return kDNSServiceErr_NoError;
    } catch (const std::bad_alloc&) {
        return kDNSServiceErr_NoMemory;
    }
}

dnssd_sock_t DNSSD_API DNSServiceRefSockFD(DNSServiceRef sdRef) { return sdRef ? sdRef->signal : Telvane::kNoSocket; }

DNSServiceErrorType DNSSD_API DNSServiceProcessResult(DNSServiceRef sdRef)
{
    if (!sdRef) return kDNSServiceErr_BadReference;
    char signal;
    if (Telvane::net::receiveSome(sdRef->signal, &signal, 1) < 0) return kDNSServiceErr_Unknown;
    _DNSServiceRef_t::Result result;
    DNSServiceFlags more = 0;
    {
        std::lock_guard<std::mutex> hold(sdRef->lock);
        if (sdRef->results.empty()) return kDNSServiceErr_NoError;
        result = std::move(sdRef->results.front());
        sdRef->results.pop_front();
        more = sdRef->results.empty() ? 0 : kDNSServiceFlagsMoreComing;
    }
    result(sdRef, more);
    return kDNSServiceErr_NoError;
}

void DNSSD_API DNSServiceRefDeallocate(DNSServiceRef sdRef) { delete sdRef; }

}  // extern "C"
