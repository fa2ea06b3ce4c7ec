// OLE automation functions: system strings (BSTR), VARIANT handling and safe arrays.
#pragma once

#include "oaidl.h"

// VariantChangeType flags.
#define VARIANT_NOVALUEPROP 0x01
#define VARIANT_ALPHABOOL 0x02
#define VARIANT_NOUSEROVERRIDE 0x04
#define VARIANT_CALENDAR_HIJRI 0x08
#define VARIANT_LOCALBOOL 0x10

WINOLEAUTAPI BSTR WINAPI SysAllocString(const OLECHAR *psz);
WINOLEAUTAPI BSTR WINAPI SysAllocStringLen(const OLECHAR *strIn, UINT ui);
WINOLEAUTAPI BSTR WINAPI SysAllocStringByteLen(LPCSTR psz, UINT len);
WINOLEAUTAPI INT WINAPI SysReAllocString(BSTR *pbstr, const OLECHAR *psz);
WINOLEAUTAPI INT WINAPI SysReAllocStringLen(BSTR *pbstr, const OLECHAR *psz, unsigned int len);
WINOLEAUTAPI void WINAPI SysFreeString(BSTR bstrString);
WINOLEAUTAPI UINT WINAPI SysStringLen(BSTR pbstr);
WINOLEAUTAPI UINT WINAPI SysStringByteLen(BSTR bstr);

WINOLEAUTAPI void WINAPI VariantInit(VARIANTARG *pvarg);
WINOLEAUTAPI HRESULT WINAPI VariantClear(VARIANTARG *pvarg);
WINOLEAUTAPI HRESULT WINAPI VariantCopy(VARIANTARG *pvargDest, const VARIANTARG *pvargSrc);
WINOLEAUTAPI HRESULT WINAPI VariantCopyInd(VARIANT *pvarDest, const VARIANTARG *pvargSrc);
WINOLEAUTAPI HRESULT WINAPI VariantChangeType(VARIANTARG *pvargDest, const VARIANTARG *pvarSrc, USHORT wFlags,
                                              VARTYPE vt);

// Safe arrays of the fixed-size types, BSTR, interfaces and VARIANT.
WINOLEAUTAPI SAFEARRAY *WINAPI SafeArrayCreateVector(VARTYPE vt, LONG lLbound, ULONG cElements);
WINOLEAUTAPI HRESULT WINAPI SafeArrayDestroy(SAFEARRAY *psa);
WINOLEAUTAPI HRESULT WINAPI SafeArrayCopy(SAFEARRAY *psa, SAFEARRAY **ppsaOut);
WINOLEAUTAPI HRESULT WINAPI SafeArrayLock(SAFEARRAY *psa);
WINOLEAUTAPI HRESULT WINAPI SafeArrayUnlock(SAFEARRAY *psa);
WINOLEAUTAPI HRESULT WINAPI SafeArrayAccessData(SAFEARRAY *psa, void **ppvData);
WINOLEAUTAPI HRESULT WINAPI SafeArrayUnaccessData(SAFEARRAY *psa);
WINOLEAUTAPI UINT WINAPI SafeArrayGetDim(SAFEARRAY *psa);
WINOLEAUTAPI UINT WINAPI SafeArrayGetElemsize(SAFEARRAY *psa);
WINOLEAUTAPI HRESULT WINAPI SafeArrayGetLBound(SAFEARRAY *psa, UINT nDim, LONG *plLbound);
WINOLEAUTAPI HRESULT WINAPI SafeArrayGetUBound(SAFEARRAY *psa, UINT nDim, LONG *plUbound);
