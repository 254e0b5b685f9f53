#include "command/OrvaneVbCommand.h"

#include <new>
#include <string>

#include "command/ComError.h"
#include "command/HostLibrary.h"
#include "common/ModuleCounts.h"
#include "common/SharedState.h"
#include "command/TextBoxStatus.h"
#include "command/TypeLibrary.h"
#include "common/win32/com_interfaces.h"
#include "dialog/Vantrel2Form.h"
#include "common/trace.h"

namespace vantrel2 {
namespace {

// Every operation holds a reference on its object from entry to return, so
// that the host may drop its own reference while the operation runs (from
// inside the modal dialog or VekExitCommand).
class Hold {
  public:
    explicit Hold(OrvaneVbCommand* object) noexcept : object_(object) { object_->AddRef(); }
    Hold(const Hold&) = delete;
    Hold& operator=(const Hold&) = delete;
    // NOLINTNEXTLINE(clang-analyzer-cplusplus.NewDelete) // this reference kept it alive
    ~Hold() { object_->Release(); }

  private:
    OrvaneVbCommand* object_;
};

// oleaut32 reads these arrays without looking: a caller's null or short
// array must come back as a failure, not a fault inside the host.
HRESULT CheckNames(const LPOLESTR* names, UINT count, const DISPID* ids) {
    if (!names || !ids) return E_POINTER;
    if (count == 0) return E_INVALIDARG;
    for (UINT i = 0; i < count; ++i) {
        if (!names[i]) return E_POINTER;
    }
    return S_OK;
}

HRESULT CheckArguments(const DISPPARAMS* params) {
    if (!params) return E_POINTER;
    if (params->cArgs > 0 && !params->rgvarg) return E_POINTER;
    if (params->cNamedArgs > 0 && !params->rgdispidNamedArgs) return E_POINTER;
    if (params->cNamedArgs > params->cArgs) return E_INVALIDARG;
    return S_OK;
}

HRESULT RunCommand(LONG hWnd, LONG nCmdLine, LONG& nCode) {
    if (const HRESULT hr = HostInitVBCmdLib(hWnd, nCmdLine); FAILED(hr)) return hr;
    VANTREL2_STEP("host-library-bound");
    nCode = 1;
    SharedState& state = CurrentSharedState();
    LoadSharedState(state, ThisModuleFolder());
    VANTREL2_STEP("settings-read");
    if (!state.DialogInstance) state.DialogInstance = CreateVantrel2Form();
    if (const HRESULT hr = state.DialogInstance->ShowModal(state); FAILED(hr)) {
        return ReportFailure(hr, L"「各種履歴･情報ファイル削除」画面を表示できませんでした。");
    }
    return HostExitCommand();
}

}  // namespace

HRESULT OrvaneVbCommand::Create(REFIID riid, void** object) noexcept {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (const HRESULT hr = Initialize(); FAILED(hr)) return hr;
    auto* created = new (std::nothrow) OrvaneVbCommand();
    if (!created) return E_OUTOFMEMORY;
    const HRESULT hr = created->QueryInterface(riid, object);
    created->Release();
    return hr;
}

OrvaneVbCommand::OrvaneVbCommand() noexcept { ObjectCreated(); }

OrvaneVbCommand::~OrvaneVbCommand() { ObjectDestroyed(); }

HRESULT OrvaneVbCommand::Initialize() noexcept {
    CommandTypeInfo typeInfo;
    return GetCommandTypeInfo(typeInfo);
}

HRESULT OrvaneVbCommand::QueryInterface(REFIID riid, void** object) {
    static constexpr OfferedInterface<OrvaneVbCommand> kOffered[] = {
        Offer<OrvaneVbCommand, _OrvaneVbCommand>(IID_IUnknown),
        Offer<OrvaneVbCommand, _OrvaneVbCommand>(IID_IDispatch),
        Offer<OrvaneVbCommand, _OrvaneVbCommand>(IID__OrvaneVbCommand),
        Offer<OrvaneVbCommand, ISupportErrorInfo>(IID_ISupportErrorInfo),
    };
    return QueryFromTable(this, kOffered, riid, object);
}

ULONG OrvaneVbCommand::AddRef() { return ++references_; }

ULONG OrvaneVbCommand::Release() {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
}

HRESULT OrvaneVbCommand::GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = 1;
    return S_OK;
}

HRESULT OrvaneVbCommand::GetTypeInfo(UINT index, LCID, ITypeInfo** info) {
    if (!info) return E_POINTER;
    *info = nullptr;
    if (index != 0) return DISP_E_BADINDEX;
    CommandTypeInfo typeInfo;
    if (const HRESULT hr = GetCommandTypeInfo(typeInfo); FAILED(hr)) return hr;
    *info = ComPtr<ITypeInfo>(typeInfo.dispatchSide).detach();
    return S_OK;
}

HRESULT OrvaneVbCommand::GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID,
                                       DISPID* ids) {
    if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    if (const HRESULT hr = CheckNames(names, count, ids); FAILED(hr)) return hr;
    CommandTypeInfo typeInfo;
    if (const HRESULT hr = GetCommandTypeInfo(typeInfo); FAILED(hr)) return hr;
    return ::DispGetIDsOfNames(typeInfo.vtableSide, names, count, ids);
}

HRESULT OrvaneVbCommand::Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params,
                                VARIANT* result, EXCEPINFO* exception, UINT* argumentError) {
    if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    if (const HRESULT hr = CheckArguments(params); FAILED(hr)) return hr;
    const Hold hold(this);
    CommandTypeInfo typeInfo;
    if (const HRESULT hr = GetCommandTypeInfo(typeInfo); FAILED(hr)) return hr;
    return typeInfo.vtableSide->Invoke(static_cast<_OrvaneVbCommand*>(this), id, flags, params,
                                       result, exception, argumentError);
}

HRESULT OrvaneVbCommand::InterfaceSupportsErrorInfo(REFIID riid) {
    return riid == IID__OrvaneVbCommand ? S_OK : S_FALSE;
}

HRESULT OrvaneVbCommand::VekProcStartCmd(LONG hWnd, LONG nCmdLine, LONG* nCode) {
    const Hold hold(this);
    ClearFailure();
    if (!nCode) return ReportFailure(E_POINTER, L"VekProcStartCmd に nCode が渡されませんでした。");
    return CallReportingExceptions([&] { return RunCommand(hWnd, nCmdLine, *nCode); });
}

HRESULT OrvaneVbCommand::VekProcStringBoxEventHook(short csbID, short itemID, LONG) {
    const Hold hold(this);
    ClearFailure();
    TextBoxStatusW record{};
    std::int32_t handle = 0;
    if (const HRESULT hr = HostGetCSBHandle(csbID, handle); FAILED(hr)) return hr;
    if (handle == 0) return S_OK;
    TextBoxStatusA hostRecord = ToAnsiForm(record);
    if (const HRESULT hr = HostGetTextBoxStatus(handle, itemID, hostRecord); FAILED(hr)) {
        return hr;
    }
    record = ToWideForm(hostRecord);
    const UniqueBstr text = MakeBstr(std::wstring_view(record.text, kTextBoxTextLength));
    if (!text) return ReportFailure(E_OUTOFMEMORY, L"メモリが不足しています。");
    // Through the interface, as any other caller would reach the event.
    ComPtr<_OrvaneVbCommand> self;
    if (const HRESULT hr = QueryInterface(IID__OrvaneVbCommand, self.put_void()); FAILED(hr)) {
        return hr;
    }
    const HRESULT hr = self->VekProcStringBoxEvent(csbID, itemID, text.get());
    return FAILED(hr) ? hr : S_OK;
}

HRESULT OrvaneVbCommand::VekProcStringBoxEvent(short, short, BSTR pString) {
    const Hold hold(this);
    const UniqueBstr copy(::SysAllocStringLen(pString, ::SysStringLen(pString)));
    if (!copy) return ReportFailure(E_OUTOFMEMORY, L"メモリが不足しています。");
    return S_OK;
}

// The host's other events: nothing to do.
HRESULT OrvaneVbCommand::VekProcEndCmd(LONG*) {
    const Hold hold(this);
    return S_OK;
}
HRESULT OrvaneVbCommand::VekProcPreEvent() {
    const Hold hold(this);
    return S_OK;
}
HRESULT OrvaneVbCommand::VekProcDrawRubber(double, double) {
    const Hold hold(this);
    return S_OK;
}
HRESULT OrvaneVbCommand::VekProcPositionEvent(short, double, double) {
    const Hold hold(this);
    return S_OK;
}
HRESULT OrvaneVbCommand::VekProcPositionEventEx(short, double, double, double, double, LONG, LONG,
                                                short, short) {
    const Hold hold(this);
    return S_OK;
}
HRESULT OrvaneVbCommand::VekProcElementEvent(LONG, short) {
    const Hold hold(this);
    return S_OK;
}
HRESULT OrvaneVbCommand::VekProcElementEventEx(LONG, short, double, double, short) {
    const Hold hold(this);
    return S_OK;
}
HRESULT OrvaneVbCommand::VekProcMultiElementEvent(short, LONG, LONG, LONG) {
    const Hold hold(this);
    return S_OK;
}
HRESULT OrvaneVbCommand::VekProcMultiElementEventEx(short, LONG, LONG, LONG, double, double, double,
                                                    double) {
    const Hold hold(this);
    return S_OK;
}
HRESULT OrvaneVbCommand::VekProcSystemEvent(short) {
    const Hold hold(this);
    return S_OK;
}
HRESULT OrvaneVbCommand::VekProcOperationEvent(short, short) {
    const Hold hold(this);
    return S_OK;
}
HRESULT OrvaneVbCommand::VekProcIntBoxEvent(short, short, LONG) {
    const Hold hold(this);
    return S_OK;
}
HRESULT OrvaneVbCommand::VekProcRealBoxEvent(short, short, double) {
    const Hold hold(this);
    return S_OK;
}
HRESULT OrvaneVbCommand::VekProcButtonEvent(short, short, short) {
    const Hold hold(this);
    return S_OK;
}

}  // namespace vantrel2
