/* DNS Service Discovery calls: advertising a service, browsing for the
 * services of a type and resolving one to its host and port. Answered
 * in-process over multicast DNS on the local link (the ".local." domain).
 *
 * Every call that starts an operation hands back a reference whose socket
 * (DNSServiceRefSockFD) becomes readable when a result is waiting;
 * DNSServiceProcessResult then calls the operation's callback on the
 * caller's thread. DNSServiceRefDeallocate ends the operation: a
 * registration sends its goodbye, so peers drop the service at once. */
#ifndef DNS_SD_H
#define DNS_SD_H

#include <stdint.h>

#ifdef _WIN32
#include <winsock2.h>
#define DNSSD_API __stdcall
typedef SOCKET dnssd_sock_t;
#else
#define DNSSD_API
typedef int dnssd_sock_t;
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef struct _DNSServiceRef_t* DNSServiceRef;
typedef uint32_t DNSServiceFlags;
typedef int32_t DNSServiceErrorType;

enum {
    kDNSServiceFlagsMoreComing = 0x1,
    kDNSServiceFlagsAdd = 0x2,
    kDNSServiceFlagsDefault = 0x4,
    kDNSServiceFlagsNoAutoRename = 0x8
};

enum {
    kDNSServiceErr_NoError = 0,
    kDNSServiceErr_Unknown = -65537,
    kDNSServiceErr_NoSuchName = -65538,
    kDNSServiceErr_NoMemory = -65539,
    kDNSServiceErr_BadParam = -65540,
    kDNSServiceErr_BadReference = -65541,
    kDNSServiceErr_BadState = -65542,
    kDNSServiceErr_BadFlags = -65543,
    kDNSServiceErr_Unsupported = -65544,
    kDNSServiceErr_NotInitialized = -65545,
    kDNSServiceErr_AlreadyRegistered = -65547,
    kDNSServiceErr_NameConflict = -65548,
    kDNSServiceErr_Invalid = -65549,
    kDNSServiceErr_Firewall = -65550,
    kDNSServiceErr_Incompatible = -65551,
    kDNSServiceErr_BadInterfaceIndex = -65552,
    kDNSServiceErr_Refused = -65553,
    kDNSServiceErr_NoSuchRecord = -65554,
    kDNSServiceErr_NoAuth = -65555,
    kDNSServiceErr_NoSuchKey = -65556,
    kDNSServiceErr_ServiceNotRunning = -65563,
    kDNSServiceErr_Timeout = -65568
};

/* name: the name the service was registered under, which differs from the
 * one asked for after a conflict with another host's service. */
typedef void(DNSSD_API* DNSServiceRegisterReply)(DNSServiceRef sdRef, DNSServiceFlags flags,
                                                 DNSServiceErrorType errorCode, const char* name, const char* regtype,
                                                 const char* domain, void* context);

/* flags has kDNSServiceFlagsAdd when the service appeared, not when it went. */
typedef void(DNSSD_API* DNSServiceBrowseReply)(DNSServiceRef sdRef, DNSServiceFlags flags, uint32_t interfaceIndex,
                                               DNSServiceErrorType errorCode, const char* serviceName,
                                               const char* regtype, const char* replyDomain, void* context);

/* hosttarget: the IPv4 address of the service's host in dotted form, which
 * every resolver (gethostbyname included) turns into the address, also
 * where nothing resolves ".local." names. port: network byte order.
 * kDNSServiceErr_Timeout when no answer came within five seconds. */
typedef void(DNSSD_API* DNSServiceResolveReply)(DNSServiceRef sdRef, DNSServiceFlags flags, uint32_t interfaceIndex,
                                                DNSServiceErrorType errorCode, const char* fullname,
                                                const char* hosttarget, uint16_t port, uint16_t txtLen,
                                                const unsigned char* txtRecord, void* context);

/* name NULL or empty: the computer's name. domain and host NULL or empty:
 * ".local." and this host. port: network byte order. */
DNSServiceErrorType DNSSD_API DNSServiceRegister(DNSServiceRef* sdRef, DNSServiceFlags flags, uint32_t interfaceIndex,
                                                 const char* name, const char* regtype, const char* domain,
                                                 const char* host, uint16_t port, uint16_t txtLen,
                                                 const void* txtRecord, DNSServiceRegisterReply callBack,
                                                 void* context);

DNSServiceErrorType DNSSD_API DNSServiceBrowse(DNSServiceRef* sdRef, DNSServiceFlags flags, uint32_t interfaceIndex,
                                               const char* regtype, const char* domain, DNSServiceBrowseReply callBack,
                                               void* context);

DNSServiceErrorType DNSSD_API DNSServiceResolve(DNSServiceRef* sdRef, DNSServiceFlags flags, uint32_t interfaceIndex,
                                                const char* name, const char* regtype, const char* domain,
                                                DNSServiceResolveReply callBack, void* context);

dnssd_sock_t DNSSD_API DNSServiceRefSockFD(DNSServiceRef sdRef);

/* Delivers one waiting result; blocks until one comes when none waits. */
DNSServiceErrorType DNSSD_API DNSServiceProcessResult(DNSServiceRef sdRef);

void DNSSD_API DNSServiceRefDeallocate(DNSServiceRef sdRef);

#ifdef __cplusplus
}
#endif

#endif
