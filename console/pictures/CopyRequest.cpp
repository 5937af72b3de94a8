#include "CopyRequest.h"

#include <kvqframe.h>

#include "ClipboardCopy.h"
#include "CopyDialog.h"
#include "PictureHost.h"

bool ServeCopyRequest(IPictureHost& host, CWnd& window, CDC& dc)
{
    RECT selection;
    if (!host.TakeCopyRequest(&selection)) return false;
    const bool copied = CopyAreaToClipboard(window.m_hWnd, dc, selection);
    if (copied) dc.FillSolidRect(selection, RGB(255, 255, 255));
    window.Invalidate(FALSE);
    return copied && host.ShowsCopyNotice();
}

void ShowCopyNotice(IPictureHost& host, CWnd* parent)
{
    CCopyDialog notice(host.ShowsCopyNotice(), parent);
    notice.DoModal();
    host.SetShowsCopyNotice(notice.Result());
}
