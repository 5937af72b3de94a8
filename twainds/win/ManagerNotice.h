#pragma once
#include "TwainProtocol.h"

// Sends DG_CONTROL / DAT_NULL with a message to the application through the
// source manager's DSM_Entry. Without the manager's library or its entry
// point nothing is sent and nothing is reported.
void SendManagerNotice(TW_IDENTITY& source, TW_IDENTITY& application, TW_UINT16 message);
