#include "command/ComError.h"

#include <oleauto.h>

#include <string>

#include "Vantrel2_idl.h"
#include "common/win32/win_handles.h"
#include "common/win32/win_util.h"

namespace vantrel2 {

HRESULT ReportFailure(HRESULT failure, std::wstring_view description) noexcept {
    ComPtr<ICreateErrorInfo> create;
    if (FAILED(::CreateErrorInfo(create.put()))) return failure;
    const bool described = StopExceptions(
        [&] {
            const std::wstring text(description);
            create->SetGUID(IID__OrvaneVbCommand);
            // NOLINTNEXTLINE(cppcoreguidelines-pro-type-const-cast) // only read: COM's signature
            create->SetSource(const_cast<LPOLESTR>(kProgId));
            // NOLINTNEXTLINE(cppcoreguidelines-pro-type-const-cast) // only read: COM's signature
            create->SetDescription(const_cast<LPOLESTR>(text.c_str()));
            return true;
        },
        [] { return false; });
    if (!described) return failure;
    ComPtr<IErrorInfo> info;
    if (SUCCEEDED(create.As(info))) ::SetErrorInfo(0, info.get());
    return failure;
}

void ClearFailure() noexcept { ::SetErrorInfo(0, nullptr); }

HRESULT ReportCurrentException() noexcept {
    const HRESULT failure = CurrentExceptionResult();
    return ReportFailure(failure, failure == E_OUTOFMEMORY
                                      ? L"メモリが不足しています。"
                                      : L"コマンドが予期しないエラーで終了しました。");
}

}  // namespace vantrel2
