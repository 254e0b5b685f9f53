// A name for screen readers on a standard control whose caption cannot give
// one.
//
// Given through the system's annotation service (dynamic annotation,
// IAccPropServices), which both oleacc's object for a standard control and
// UI Automation's own support for it read: the control stays a standard
// control to them, an edit box keeps its text support. The name is cleared
// from the service when the control is destroyed.
//
// Where the service refuses (Wine 8 answers E_NOTIMPL) or is missing, the
// control answers WM_GETOBJECT(OBJID_CLIENT) with the system's own accessible
// object for it under that name: role, state, value, actions and keyboard
// behaviour stay the system's. Each such object counts as one of the module's
// objects (DllCanUnloadNow) for as long as a client holds it.
#pragma once

#include <windows.h>
#include <oleacc.h>

#include "common/win32/win_handles.h"

namespace vantrel2 {

// Names the controls of one window as they are made: the annotation service
// is obtained once for all of them.
class AccessibleNames {
  public:
    // `name` is static text. Without memory for it the control keeps the
    // system's name.
    void Give(HWND control, const wchar_t* name);

  private:
    ComPtr<IAccPropServices> service_;
    bool serviceAsked_ = false;
};

// The one place the annotation service is obtained (CoCreateInstance, on the
// calling thread's apartment). A test may put another in its place to see
// what is asked of it, or to refuse as Wine does; the previous one is
// returned.
using CreateAnnotationServiceCall = HRESULT (*)(IAccPropServices** service);
CreateAnnotationServiceCall ReplaceCreateAnnotationService(
    CreateAnnotationServiceCall call) noexcept;

}  // namespace vantrel2
