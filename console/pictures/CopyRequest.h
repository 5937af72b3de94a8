#pragma once

class CDC;
class CWnd;
class IPictureHost;

// The clipboard copy that a drag with the copy tool asks for, taken by the
// paint of the window that is active then.

// Puts the host's pending selection of the window's painted picture on the
// clipboard and flashes it white. True when the copy notice is to follow,
// after the paint: no dialog runs inside one.
bool ServeCopyRequest(IPictureHost& host, CWnd& window, CDC& dc);
// The copy notice, owned by parent; its check box says whether it comes again.
void ShowCopyNotice(IPictureHost& host, CWnd* parent);
