// The command object the host creates: the host command interface
// _OrvaneVbCommand, dual, with IDispatch answered from the embedded type
// library (loaded once for the module). It keeps no state of its own; the
// run's data is SharedState.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <atomic>

#include "Vantrel2_idl.h"
#include "common/win32/win_handles.h"

namespace vantrel2 {

// Deleted through Release, from a derived test object too: hence protected and virtual.
// NOLINTNEXTLINE(cppcoreguidelines-virtual-class-destructor)
class OrvaneVbCommand : public _OrvaneVbCommand, public ISupportErrorInfo {
  public:
    // A new, independent object, asked for `riid`.
    static HRESULT Create(REFIID riid, void** object) noexcept;

    OrvaneVbCommand() noexcept;
    OrvaneVbCommand(const OrvaneVbCommand&) = delete;
    OrvaneVbCommand& operator=(const OrvaneVbCommand&) = delete;

    // Makes sure the module's type information is there, without which the
    // object cannot answer IDispatch; Create does this before handing out.
    static HRESULT Initialize() noexcept;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IDispatch
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid,
                                            DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags,
                                     DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                                     UINT* argumentError) override;

    // ISupportErrorInfo
    HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID riid) override;

    // _OrvaneVbCommand
    HRESULT STDMETHODCALLTYPE VekProcStartCmd(LONG hWnd, LONG nCmdLine, LONG* nCode) override;
    HRESULT STDMETHODCALLTYPE VekProcEndCmd(LONG* nCode) override;
    HRESULT STDMETHODCALLTYPE VekProcPreEvent() override;
    HRESULT STDMETHODCALLTYPE VekProcDrawRubber(double x, double y) override;
    HRESULT STDMETHODCALLTYPE VekProcPositionEvent(short posType, double xPos,
                                                   double yPos) override;
    HRESULT STDMETHODCALLTYPE VekProcPositionEventEx(short posType, double xPos, double yPos,
                                                     double xReal, double yReal, LONG e1, LONG e2,
                                                     short ActiveIndex, short Status) override;
    HRESULT STDMETHODCALLTYPE VekProcElementEvent(LONG ElemIndex, short elemType) override;
    HRESULT STDMETHODCALLTYPE VekProcElementEventEx(LONG ElemIndex, short elemType, double xPos,
                                                    double yPos, short Status) override;
    HRESULT STDMETHODCALLTYPE VekProcMultiElementEvent(short selType, LONG hSelect, LONG hAcross,
                                                       LONG hLink) override;
    HRESULT STDMETHODCALLTYPE VekProcMultiElementEventEx(short selType, LONG hSelect, LONG hAcross,
                                                         LONG hLink, double xPos, double yPos,
                                                         double Width, double Height) override;
    HRESULT STDMETHODCALLTYPE VekProcSystemEvent(short evType) override;
    HRESULT STDMETHODCALLTYPE VekProcOperationEvent(short opType, short turnID) override;
    HRESULT STDMETHODCALLTYPE VekProcStringBoxEventHook(short csbID, short itemID,
                                                        LONG pString) override;
    HRESULT STDMETHODCALLTYPE VekProcIntBoxEvent(short csbID, short itemID, LONG Value) override;
    HRESULT STDMETHODCALLTYPE VekProcRealBoxEvent(short csbID, short itemID, double Value) override;
    HRESULT STDMETHODCALLTYPE VekProcButtonEvent(short csbID, short itemID, short State) override;
    HRESULT STDMETHODCALLTYPE VekProcStringBoxEvent(short csbID, short itemID,
                                                    BSTR pString) override;

  protected:
    virtual ~OrvaneVbCommand();

  private:
    std::atomic<ULONG> references_{1};
};

}  // namespace vantrel2
