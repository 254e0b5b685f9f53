// QueryInterface written once: each COM class lists the interfaces it
// answers for in a table, and one search answers from it.
#pragma once

#include <unknwn.h>

#include <cstddef>

namespace vantrel2 {

// One interface a class answers for, and how its object is seen through it.
template <typename Class>
struct OfferedInterface {
    const IID* iid;
    IUnknown* (*view)(Class* object) noexcept;
};

// `object` seen as `Interface`: the entry for one row of the table.
template <typename Class, typename Interface>
constexpr OfferedInterface<Class> Offer(const IID& iid) noexcept {
    return {&iid,
            [](Class* object) noexcept -> IUnknown* { return static_cast<Interface*>(object); }};
}

// S_OK with a new reference for an interface in the table, E_NOINTERFACE
// (and null) for any other, E_POINTER without a place for the answer.
template <typename Class, std::size_t Count>
HRESULT QueryFromTable(Class* object, const OfferedInterface<Class> (&table)[Count], REFIID riid,
                       void** answer) noexcept {
    if (!answer) return E_POINTER;
    for (const OfferedInterface<Class>& offered : table) {
        if (*offered.iid == riid) {
            IUnknown* seen = offered.view(object);
            seen->AddRef();
            *answer = seen;
            return S_OK;
        }
    }
    *answer = nullptr;
    return E_NOINTERFACE;
}

}  // namespace vantrel2
