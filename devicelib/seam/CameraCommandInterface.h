// The command interface that the camera's DirectShow capture filter offers on
// its capture pin.
#pragma once

#include <windows.h>
#include <unknwn.h>

// {6D80DD40-F02E-11D3-B79A-009027101F53}
extern const IID IID_ICameraCommand;

struct ICameraCommand : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Reserved() = 0;
    virtual HRESULT STDMETHODCALLTYPE WriteCommand(ULONG one, ULONG zero, ULONG value, ULONG index) = 0;
    virtual HRESULT STDMETHODCALLTYPE ReadReply(ULONG one, ULONG zero, ULONG* word, ULONG index) = 0;
};

namespace devicelib {

// Where the current capture pin's command interface is found: asked at each
// command (under the library lock), so one failed lookup fails only its own
// command.
class CameraCommandSource {
public:
    virtual ICameraCommand* CameraCommand() = 0;

protected:
    ~CameraCommandSource() = default;
};

// The capture graph binds itself while it has a current device (null
// otherwise).
void BindCameraCommand(CameraCommandSource* source);

}  // namespace devicelib
