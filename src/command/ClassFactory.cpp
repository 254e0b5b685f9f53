#include "command/ClassFactory.h"

#include <unknwn.h>

#include "common/ModuleCounts.h"
#include "command/OrvaneVbCommand.h"
#include "Vantrel2_idl.h"
#include "common/win32/com_interfaces.h"

namespace vantrel2 {
namespace {

// One factory for the life of the module: its references do not keep the
// DLL loaded, LockServer does.
class CommandFactory final : public IClassFactory {
  public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        static constexpr OfferedInterface<CommandFactory> kOffered[] = {
            Offer<CommandFactory, IClassFactory>(IID_IUnknown),
            Offer<CommandFactory, IClassFactory>(IID_IClassFactory),
        };
        return QueryFromTable(this, kOffered, riid, object);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        return OrvaneVbCommand::Create(riid, object);
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        if (lock) {
            ServerLocked();
        } else {
            ServerUnlocked();
        }
        return S_OK;
    }
};

CommandFactory factory;

}  // namespace

HRESULT GetClassObject(REFCLSID clsid, REFIID riid, void** object) noexcept {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (clsid != CLSID_OrvaneVbCommand) return CLASS_E_CLASSNOTAVAILABLE;
    return factory.QueryInterface(riid, object);
}

}  // namespace vantrel2
