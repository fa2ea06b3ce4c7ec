// Safe arrays: a descriptor with bounds, a lock count and element data owned by the array.
// The element type is kept in the four bytes before the descriptor, as Windows keeps it.
#include <oleauto.h>

#include <stdlib.h>
#include <string.h>

namespace {

// Room before the descriptor for the element type, keeping the descriptor pointer-aligned.
const size_t type_prefix = 16;

ULONG element_size(VARTYPE vt)
{
    switch (vt) {
    case VT_I1: case VT_UI1: return 1;
    case VT_I2: case VT_UI2: case VT_BOOL: return 2;
    case VT_I4: case VT_UI4: case VT_INT: case VT_UINT: case VT_R4: case VT_ERROR: return 4;
    case VT_I8: case VT_UI8: case VT_R8: case VT_CY: case VT_DATE: return 8;
    case VT_DECIMAL: return sizeof(DECIMAL);
    case VT_BSTR: case VT_UNKNOWN: case VT_DISPATCH: return sizeof(void *);
    case VT_VARIANT: return sizeof(VARIANT);
    default: return 0;
    }
}

USHORT features_of(VARTYPE vt)
{
    switch (vt) {
    case VT_BSTR: return FADF_BSTR | FADF_HAVEVARTYPE;
    case VT_UNKNOWN: return FADF_UNKNOWN | FADF_HAVEVARTYPE;
    case VT_DISPATCH: return FADF_DISPATCH | FADF_HAVEVARTYPE;
    case VT_VARIANT: return FADF_VARIANT | FADF_HAVEVARTYPE;
    default: return FADF_HAVEVARTYPE;
    }
}

VARTYPE *type_slot(SAFEARRAY *psa)
{
    return reinterpret_cast<VARTYPE *>(reinterpret_cast<BYTE *>(psa) - sizeof(DWORD));
}

// The number of elements, or false when it does not fit in memory.
bool element_count(const SAFEARRAY *psa, size_t &count)
{
    count = 1;
    for (USHORT i = 0; i < psa->cDims; ++i) {
        ULONG n = psa->rgsabound[i].cElements;
        if (n && count > SIZE_MAX / n)
            return false;
        count *= n;
    }
    return count <= SIZE_MAX / (psa->cbElements ? psa->cbElements : 1);
}

void release_elements(SAFEARRAY *psa, size_t count)
{
    if (!psa->pvData)
        return;
    if (psa->fFeatures & FADF_BSTR) {
        auto *items = static_cast<BSTR *>(psa->pvData);
        for (size_t i = 0; i < count; ++i)
            SysFreeString(items[i]);
    } else if (psa->fFeatures & (FADF_UNKNOWN | FADF_DISPATCH)) {
        auto *items = static_cast<IUnknown **>(psa->pvData);
        for (size_t i = 0; i < count; ++i)
            if (items[i])
                items[i]->Release();
    } else if (psa->fFeatures & FADF_VARIANT) {
        auto *items = static_cast<VARIANT *>(psa->pvData);
        for (size_t i = 0; i < count; ++i)
            VariantClear(&items[i]);
    }
}

void free_descriptor(SAFEARRAY *psa)
{
    free(reinterpret_cast<BYTE *>(psa) - type_prefix);
}

// A zeroed descriptor and zeroed data; the bounds are stored last dimension first.
SAFEARRAY *create(VARTYPE vt, UINT cDims, const SAFEARRAYBOUND *bounds)
{
    ULONG size = element_size(vt);
    if (!size || !cDims || cDims > 0xFFFF || !bounds)
        return NULL;
    size_t descriptor = sizeof(SAFEARRAY) + (cDims - 1) * sizeof(SAFEARRAYBOUND);
    auto *block = static_cast<BYTE *>(calloc(1, type_prefix + descriptor));
    if (!block)
        return NULL;
    auto *psa = reinterpret_cast<SAFEARRAY *>(block + type_prefix);
    *type_slot(psa) = vt;
    psa->cDims = USHORT(cDims);
    psa->fFeatures = features_of(vt);
    psa->cbElements = size;
    for (UINT i = 0; i < cDims; ++i)
        psa->rgsabound[i] = bounds[cDims - 1 - i];
    size_t count;
    if (!element_count(psa, count) || !(psa->pvData = calloc(count ? count : 1, size))) {
        free(block);
        return NULL;
    }
    return psa;
}

}  // namespace

SAFEARRAY *WINAPI SafeArrayCreateVector(VARTYPE vt, LONG lLbound, ULONG cElements)
{
    SAFEARRAYBOUND bound = {cElements, lLbound};
    return create(vt, 1, &bound);
}

HRESULT WINAPI SafeArrayDestroy(SAFEARRAY *psa)
{
    if (!psa)
        return S_OK;
    if (psa->cLocks)
        return DISP_E_ARRAYISLOCKED;
    size_t count;
    if (element_count(psa, count))
        release_elements(psa, count);
    free(psa->pvData);
    free_descriptor(psa);
    return S_OK;
}

HRESULT WINAPI SafeArrayCopy(SAFEARRAY *psa, SAFEARRAY **ppsaOut)
{
    if (!ppsaOut)
        return E_INVALIDARG;
    *ppsaOut = NULL;
    if (!psa)
        return S_OK;
    SAFEARRAYBOUND bounds[64] = {};
    if (psa->cDims > 64)
        return E_INVALIDARG;
    for (USHORT i = 0; i < psa->cDims; ++i)
        bounds[i] = psa->rgsabound[psa->cDims - 1 - i];
    SAFEARRAY *copy = create(*type_slot(psa), psa->cDims, bounds);
    if (!copy)
        return E_OUTOFMEMORY;
    size_t count;
    element_count(psa, count);
    HRESULT hr = S_OK;
    if (psa->fFeatures & FADF_BSTR) {
        auto *from = static_cast<BSTR *>(psa->pvData);
        auto *to = static_cast<BSTR *>(copy->pvData);
        for (size_t i = 0; i < count && SUCCEEDED(hr); ++i)
            if (from[i] && !(to[i] = SysAllocStringByteLen(reinterpret_cast<LPCSTR>(from[i]),
                                                           SysStringByteLen(from[i]))))
                hr = E_OUTOFMEMORY;
    } else if (psa->fFeatures & FADF_VARIANT) {
        auto *from = static_cast<VARIANT *>(psa->pvData);
        auto *to = static_cast<VARIANT *>(copy->pvData);
        for (size_t i = 0; i < count && SUCCEEDED(hr); ++i)
            hr = VariantCopy(&to[i], &from[i]);
    } else {
        memcpy(copy->pvData, psa->pvData, count * psa->cbElements);
        if (psa->fFeatures & (FADF_UNKNOWN | FADF_DISPATCH)) {
            auto *items = static_cast<IUnknown **>(copy->pvData);
            for (size_t i = 0; i < count; ++i)
                if (items[i])
                    items[i]->AddRef();
        }
    }
    if (FAILED(hr)) {
        SafeArrayDestroy(copy);
        return hr;
    }
    *ppsaOut = copy;
    return S_OK;
}

HRESULT WINAPI SafeArrayLock(SAFEARRAY *psa)
{
    if (!psa)
        return E_INVALIDARG;
    if (psa->cLocks == 0xFFFFFFFFu)
        return E_UNEXPECTED;
    ++psa->cLocks;
    return S_OK;
}

HRESULT WINAPI SafeArrayUnlock(SAFEARRAY *psa)
{
    if (!psa)
        return E_INVALIDARG;
    if (!psa->cLocks)
        return E_UNEXPECTED;
    --psa->cLocks;
    return S_OK;
}

HRESULT WINAPI SafeArrayAccessData(SAFEARRAY *psa, void **ppvData)
{
    if (!psa || !ppvData)
        return E_INVALIDARG;
    HRESULT hr = SafeArrayLock(psa);
    *ppvData = SUCCEEDED(hr) ? psa->pvData : NULL;
    return hr;
}

HRESULT WINAPI SafeArrayUnaccessData(SAFEARRAY *psa)
{
    return SafeArrayUnlock(psa);
}

UINT WINAPI SafeArrayGetDim(SAFEARRAY *psa)
{
    return psa ? psa->cDims : 0;
}

UINT WINAPI SafeArrayGetElemsize(SAFEARRAY *psa)
{
    return psa ? psa->cbElements : 0;
}

// Dimensions count from 1 in the order they were created with.
HRESULT WINAPI SafeArrayGetLBound(SAFEARRAY *psa, UINT nDim, LONG *plLbound)
{
    if (!psa || !plLbound)
        return E_INVALIDARG;
    if (!nDim || nDim > psa->cDims)
        return DISP_E_BADINDEX;
    *plLbound = psa->rgsabound[psa->cDims - nDim].lLbound;
    return S_OK;
}

HRESULT WINAPI SafeArrayGetUBound(SAFEARRAY *psa, UINT nDim, LONG *plUbound)
{
    if (!psa || !plUbound)
        return E_INVALIDARG;
    if (!nDim || nDim > psa->cDims)
        return DISP_E_BADINDEX;
    const SAFEARRAYBOUND &b = psa->rgsabound[psa->cDims - nDim];
    *plUbound = LONG(int64_t(b.lLbound) + int64_t(b.cElements) - 1);
    return S_OK;
}
