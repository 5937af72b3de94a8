#include "ParentPipes.h"

#include <cstdlib>
#include <initializer_list>

#include "PipeMessage.h"

namespace setup {

HANDLE ParentPipes::Duplicate(HANDLE parent, uintptr_t value, SetupLog& log)
{
    HANDLE mine = nullptr;
    if (!DuplicateHandle(parent, reinterpret_cast<HANDLE>(value), GetCurrentProcess(), &mine, 0, TRUE,
                         DUPLICATE_SAME_ACCESS)) {
        log.Printf("Duplicating handle %d from 0x%08X failed. GetLastError() =%4dl\n", static_cast<int>(value),
                   static_cast<unsigned>(reinterpret_cast<uintptr_t>(parent)), static_cast<int>(GetLastError()));
        return nullptr;
    }
    return mine;
}

void ParentPipes::Connect(const ParentRequest& request, SetupLog& log)
{
    HANDLE parent = OpenProcess(PROCESS_DUP_HANDLE, FALSE, request.parentId);
    if (!parent) {
        log.Printf("Opening parent process pid=%d failed. GetLastError() =%4dl\n", static_cast<int>(request.parentId),
                   static_cast<int>(GetLastError()));
    } else {
        replies_ = Duplicate(parent, request.replyHandle, log);
        messages_ = Duplicate(parent, request.messageHandle, log);
        CloseHandle(parent);
        bool pipes = replies_ && messages_ && GetFileType(replies_) == FILE_TYPE_PIPE &&
                     GetFileType(messages_) == FILE_TYPE_PIPE;
        if (!pipes) {
            log.Printf("Invalid handles %d and possibly %d\n", static_cast<int>(request.replyHandle),
                       static_cast<int>(request.messageHandle));
            Close();
        }
    }
    HANDLE event = OpenEventA(EVENT_MODIFY_STATE, FALSE, request.eventName);
    if (!event) {
        log.Printf("Opening event %s failed. GetLastError() =%4dl\n", request.eventName,
                   static_cast<int>(GetLastError()));
        return;
    }
    SetEvent(event);
    CloseHandle(event);
}

bool ParentPipes::ReadReply(int* reply)
{
    unsigned char bytes[4];
    DWORD have = 0;
    while (have < sizeof bytes) {
        DWORD got = 0;
        if (!ReadFile(replies_, bytes + have, sizeof bytes - have, &got, nullptr) || got == 0) return false;
        have += got;
    }
    *reply = static_cast<int>(bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<uint32_t>(bytes[3]) << 24);
    return true;
}

int ParentPipes::Relay(UINT type, const char* text, SetupLog& log)
{
    size_t length = PipeMessageLength(text);
    // One write per message: the parent reads each as a whole.
    unsigned char* record = length <= MAXDWORD ? static_cast<unsigned char*>(std::malloc(length)) : nullptr;
    DWORD written = 0;
    bool sent = false;
    if (record) {
        EncodePipeMessage(type, text, record);
        sent = WriteFile(messages_, record, static_cast<DWORD>(length), &written, nullptr) && written == length;
        std::free(record);
    } else {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    }
    if (!sent) {
        log.Printf("Writing to pipe failed. GetLastError() = %4dL\n", static_cast<int>(GetLastError()));
        return 3;
    }
    int reply = 0;
    if (!ReadReply(&reply)) {
        log.Printf("Reading from pipe failed. GetLastError() = %4dL\n", static_cast<int>(GetLastError()));
        return 3;
    }
    return reply;
}

void ParentPipes::Close()
{
    for (HANDLE* handle : {&replies_, &messages_}) {
        if (*handle) CloseHandle(*handle);
        *handle = nullptr;
    }
}

namespace {
ParentPipes* g_pipes;
SetupLog* g_log;
}  // namespace

void RouteInstallerMessagesTo(ParentPipes* pipes, SetupLog* log)
{
    g_pipes = pipes;
    g_log = log;
}

int WINAPI InstallUIHandler(LPVOID, UINT messageType, LPCSTR message)
{
    g_log->Printf("\nMessageType: %s\n", MessageTypeName(messageType));
    g_log->Printf("Message: %s\n", message ? message : "");
    g_log->Flush();
    int result = g_pipes->Connected() ? g_pipes->Relay(messageType, message, *g_log) : 3;
    g_log->Printf("Returning:%4dL\n", result);
    return result;
}

}  // namespace setup
