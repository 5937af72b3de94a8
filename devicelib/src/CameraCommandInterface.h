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

// The capture graph hands the platform binding the current capture pin's
// command interface (null when no graph is built); the binding holds a
// reference until the next call.
void BindCameraCommand(ICameraCommand* command);

}  // namespace devicelib
