#include "ComError.h"

#include <oleauto.h>

#include <string>

#include "Vantrel2_idl.h"
#include "win_handles.h"

namespace vantrel2 {

HRESULT ReportFailure(HRESULT failure, std::wstring_view description) noexcept {
    ComPtr<ICreateErrorInfo> create;
    if (FAILED(::CreateErrorInfo(create.put()))) return failure;
    try {
        const std::wstring text(description);
        create->SetGUID(IID__OrvaneVbCommand);
        create->SetSource(const_cast<LPOLESTR>(kProgId));
        create->SetDescription(const_cast<LPOLESTR>(text.c_str()));
    } catch (...) {
        return failure;
    }
    ComPtr<IErrorInfo> info;
    if (SUCCEEDED(create.As(info))) ::SetErrorInfo(0, info.get());
    return failure;
}

void ClearFailure() noexcept { ::SetErrorInfo(0, nullptr); }

}  // namespace vantrel2
