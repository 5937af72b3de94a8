// The link to the parent: its two pipes, taken over from it, and the
// installer UI handler that relays every installer message over them.
#pragma once

#include <windows.h>

#include "SetupLog.h"
#include "SetupOptions.h"

namespace setup {

class ParentPipes {
public:
    // Duplicates the parent's pipe handles into this process, keeps them when
    // both are pipes, then sets the parent's event. Failures are logged; the
    // installation then goes without pipes.
    void Connect(const ParentRequest& request, SetupLog& log);
    bool Connected() const { return replies_ && messages_; }

    // Sends one message and waits for the parent's answer; 3 when the pipe
    // fails.
    int Relay(UINT type, const char* text, SetupLog& log);
    void Close();

private:
    HANDLE Duplicate(HANDLE parent, uintptr_t value, SetupLog& log);
    bool ReadReply(int* reply);

    // Only ever pipe handles of our own, so neither writing nor closing can
    // fault: there is nothing to catch around them.
    HANDLE replies_ = nullptr;
    HANDLE messages_ = nullptr;
};

// The external UI handler of the installer: logs each message, relays it to
// the parent and answers with the parent's reply. The installer passes no
// context, so the handler is pointed at the pipes and the log beforehand.
void RouteInstallerMessagesTo(ParentPipes* pipes, SetupLog* log);
int WINAPI InstallUIHandler(LPVOID context, UINT messageType, LPCSTR message);

}  // namespace setup
