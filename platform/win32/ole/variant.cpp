// VARIANT handling: initialising, clearing, copying and converting between the basic types.
// Conversions cover the integer types, VT_BOOL, VT_BSTR and VT_EMPTY; objects have no default
// value here, and other pairs are a type mismatch.
#include <oleauto.h>

#include <string>

namespace {

bool is_scalar_type(VARTYPE vt)
{
    switch (vt) {
    case VT_I2: case VT_I4: case VT_R4: case VT_R8: case VT_CY: case VT_DATE: case VT_BSTR:
    case VT_DISPATCH: case VT_ERROR: case VT_BOOL: case VT_UNKNOWN: case VT_DECIMAL: case VT_I1:
    case VT_UI1: case VT_UI2: case VT_UI4: case VT_I8: case VT_UI8: case VT_INT: case VT_UINT:
        return true;
    default:
        return false;
    }
}

// The types a VARIANT may hold. Records are not supported by this layer.
bool is_valid_type(VARTYPE vt)
{
    if (vt & (VT_VECTOR | VT_RESERVED))
        return false;
    VARTYPE base = vt & VT_TYPEMASK;
    if (vt & VT_ARRAY)
        return is_scalar_type(base) || base == VT_VARIANT;
    if (vt & VT_BYREF)
        return is_scalar_type(base) || base == VT_VARIANT;
    return base == VT_EMPTY || base == VT_NULL || is_scalar_type(base);
}

typedef __int128 number;

bool is_integer_type(VARTYPE vt)
{
    switch (vt) {
    case VT_I1: case VT_I2: case VT_I4: case VT_I8: case VT_INT:
    case VT_UI1: case VT_UI2: case VT_UI4: case VT_UI8: case VT_UINT:
        return true;
    default:
        return false;
    }
}

number integer_of(const VARIANT &v)
{
    switch (v.vt) {
    case VT_I1: return v.cVal;
    case VT_I2: return v.iVal;
    case VT_I4: return v.lVal;
    case VT_I8: return v.llVal;
    case VT_INT: return v.intVal;
    case VT_UI1: return v.bVal;
    case VT_UI2: return v.uiVal;
    case VT_UI4: return v.ulVal;
    case VT_UI8: return v.ullVal;
    case VT_UINT: return v.uintVal;
    default: return 0;
    }
}

bool in_range(number n, VARTYPE vt)
{
    switch (vt) {
    case VT_I1: return n >= -128 && n <= 127;
    case VT_I2: return n >= INT16_MIN && n <= INT16_MAX;
    case VT_I4: case VT_INT: return n >= INT32_MIN && n <= INT32_MAX;
    case VT_I8: return n >= INT64_MIN && n <= INT64_MAX;
    case VT_UI1: return n >= 0 && n <= UINT8_MAX;
    case VT_UI2: return n >= 0 && n <= UINT16_MAX;
    case VT_UI4: case VT_UINT: return n >= 0 && n <= UINT32_MAX;
    case VT_UI8: return n >= 0 && n <= (number)UINT64_MAX;
    default: return false;
    }
}

void store_integer(VARIANT &v, number n, VARTYPE vt)
{
    v.vt = vt;
    switch (vt) {
    case VT_I1: v.cVal = CHAR(n); break;
    case VT_I2: v.iVal = SHORT(n); break;
    case VT_I4: v.lVal = LONG(n); break;
    case VT_I8: v.llVal = LONGLONG(n); break;
    case VT_INT: v.intVal = INT(n); break;
    case VT_UI1: v.bVal = BYTE(n); break;
    case VT_UI2: v.uiVal = USHORT(n); break;
    case VT_UI4: v.ulVal = ULONG(n); break;
    case VT_UI8: v.ullVal = ULONGLONG(n); break;
    case VT_UINT: v.uintVal = UINT(n); break;
    default: break;
    }
}

bool is_space(WCHAR c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }
WCHAR fold(WCHAR c) { return c >= u'A' && c <= u'Z' ? WCHAR(c - u'A' + u'a') : c; }

// The text between leading and trailing blanks.
std::u16string trimmed(BSTR text)
{
    UINT len = SysStringLen(text);
    UINT begin = 0, end = len;
    while (begin < end && is_space(text[begin]))
        ++begin;
    while (end > begin && is_space(text[end - 1]))
        --end;
    return std::u16string(text ? text + begin : u"", end - begin);
}

bool equals_folded(const std::u16string &s, const char16_t *word)
{
    size_t i = 0;
    for (; i < s.size(); ++i)
        if (!word[i] || fold(s[i]) != word[i])
            return false;
    return word[i] == 0;
}

// A decimal number with an optional sign and fraction; the fraction rounds half to even.
HRESULT parse_number(BSTR text, number &out)
{
    std::u16string s = trimmed(text);
    size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == u'+' || s[i] == u'-'))
        negative = s[i++] == u'-';
    const number limit = (number)UINT64_MAX + 1;
    number value = 0;
    size_t digits = 0;
    bool overflow = false;
    for (; i < s.size() && s[i] >= u'0' && s[i] <= u'9'; ++i, ++digits) {
        value = value * 10 + (s[i] - u'0');
        if (value > limit) {
            overflow = true;
            value = limit;
        }
    }
    int first_fraction = -1;
    bool fraction_rest = false;
    if (i < s.size() && s[i] == u'.') {
        for (++i; i < s.size() && s[i] >= u'0' && s[i] <= u'9'; ++i, ++digits) {
            if (first_fraction < 0)
                first_fraction = s[i] - u'0';
            else if (s[i] != u'0')
                fraction_rest = true;
        }
    }
    if (!digits || i != s.size())
        return DISP_E_TYPEMISMATCH;
    if (first_fraction > 5 || (first_fraction == 5 && (fraction_rest || (value & 1))))
        ++value;
    if (overflow || value > limit)
        return DISP_E_OVERFLOW;
    out = negative ? -value : value;
    return S_OK;
}

BSTR text_of(number n)
{
    char16_t buffer[48];
    char16_t *p = buffer + 47;
    *p = 0;
    bool negative = n < 0;
    unsigned __int128 m = negative ? (unsigned __int128)(-n) : (unsigned __int128)n;
    do {
        *--p = char16_t(u'0' + int(m % 10));
        m /= 10;
    } while (m);
    if (negative)
        *--p = u'-';
    return SysAllocString(p);
}

// The source as a number, for the integer and boolean targets.
HRESULT number_of(const VARIANT &src, number &n)
{
    if (src.vt == VT_EMPTY) {
        n = 0;
        return S_OK;
    }
    if (src.vt == VT_BOOL) {
        n = src.boolVal;
        return S_OK;
    }
    if (is_integer_type(src.vt)) {
        n = integer_of(src);
        return S_OK;
    }
    if (src.vt == VT_BSTR)
        return parse_number(src.bstrVal, n);
    return DISP_E_TYPEMISMATCH;
}

HRESULT convert(const VARIANT &src, USHORT flags, VARTYPE vt, VARIANT &out)
{
    if (vt == VT_EMPTY) {
        out.vt = VT_EMPTY;
        return S_OK;
    }
    if (is_integer_type(vt)) {
        number n = 0;
        HRESULT hr = number_of(src, n);
        if (FAILED(hr))
            return hr;
        if (!in_range(n, vt))
            return DISP_E_OVERFLOW;
        store_integer(out, n, vt);
        return S_OK;
    }
    if (vt == VT_BOOL) {
        number n = 0;
        if (src.vt == VT_BSTR) {
            std::u16string s = trimmed(src.bstrVal);
            if (equals_folded(s, u"true"))
                n = 1;
            else if (!equals_folded(s, u"false")) {
                HRESULT hr = parse_number(src.bstrVal, n);
                if (hr == DISP_E_OVERFLOW)
                    n = 1;  // too large for any integer, but plainly not zero
                else if (FAILED(hr))
                    return hr;
            }
        } else {
            HRESULT hr = number_of(src, n);
            if (FAILED(hr))
                return hr;
        }
        out.vt = VT_BOOL;
        out.boolVal = n ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    }
    if (vt == VT_BSTR) {
        BSTR text;
        if (src.vt == VT_EMPTY)
            text = SysAllocStringLen(NULL, 0);
        else if (src.vt == VT_BOOL && (flags & (VARIANT_ALPHABOOL | VARIANT_LOCALBOOL)))
            text = SysAllocString(src.boolVal ? u"True" : u"False");
        else if (src.vt == VT_BOOL)
            text = text_of(src.boolVal);
        else if (is_integer_type(src.vt))
            text = text_of(integer_of(src));
        else
            return DISP_E_TYPEMISMATCH;
        if (!text)
            return E_OUTOFMEMORY;
        out.vt = VT_BSTR;
        out.bstrVal = text;
        return S_OK;
    }
    return DISP_E_TYPEMISMATCH;
}

// The value a by-reference VARIANT points at, as a by-value one that borrows it.
bool dereference(const VARIANT &src, VARIANT &value)
{
    value.vt = src.vt & ~VT_BYREF;
    switch (value.vt) {
    case VT_I1: value.cVal = *src.pcVal; return true;
    case VT_I2: value.iVal = *src.piVal; return true;
    case VT_I4: value.lVal = *src.plVal; return true;
    case VT_I8: value.llVal = *src.pllVal; return true;
    case VT_INT: value.intVal = *src.pintVal; return true;
    case VT_UI1: value.bVal = *src.pbVal; return true;
    case VT_UI2: value.uiVal = *src.puiVal; return true;
    case VT_UI4: value.ulVal = *src.pulVal; return true;
    case VT_UI8: value.ullVal = *src.pullVal; return true;
    case VT_UINT: value.uintVal = *src.puintVal; return true;
    case VT_BOOL: value.boolVal = *src.pboolVal; return true;
    case VT_BSTR: value.bstrVal = *src.pbstrVal; return true;
    default: return false;
    }
}

}  // namespace

void WINAPI VariantInit(VARIANTARG *pvarg)
{
    if (!pvarg)
        return;
    pvarg->vt = VT_EMPTY;
    pvarg->wReserved1 = pvarg->wReserved2 = pvarg->wReserved3 = 0;
}

// By-reference values belong to someone else: only the type is reset.
HRESULT WINAPI VariantClear(VARIANTARG *pvarg)
{
    if (!pvarg)
        return E_INVALIDARG;
    if (!is_valid_type(pvarg->vt))
        return DISP_E_BADVARTYPE;
    if (!(pvarg->vt & VT_BYREF)) {
        if (pvarg->vt & VT_ARRAY) {
            HRESULT hr = SafeArrayDestroy(pvarg->parray);
            if (FAILED(hr))
                return hr;
        } else if (pvarg->vt == VT_BSTR) {
            SysFreeString(pvarg->bstrVal);
        } else if (pvarg->vt == VT_UNKNOWN || pvarg->vt == VT_DISPATCH) {
            if (pvarg->punkVal)
                pvarg->punkVal->Release();
        }
    }
    pvarg->vt = VT_EMPTY;
    return S_OK;
}

HRESULT WINAPI VariantCopy(VARIANTARG *pvargDest, const VARIANTARG *pvargSrc)
{
    if (!pvargDest || !pvargSrc)
        return E_INVALIDARG;
    if (!is_valid_type(pvargSrc->vt))
        return DISP_E_BADVARTYPE;
    if (pvargDest == pvargSrc)
        return S_OK;
    HRESULT hr = VariantClear(pvargDest);
    if (FAILED(hr))
        return hr;
    VARIANT copy = *pvargSrc;
    if (!(copy.vt & VT_BYREF)) {
        if (copy.vt & VT_ARRAY) {
            copy.parray = NULL;
            if (pvargSrc->parray && FAILED(hr = SafeArrayCopy(pvargSrc->parray, &copy.parray)))
                return hr;
        } else if (copy.vt == VT_BSTR && copy.bstrVal) {
            copy.bstrVal = SysAllocStringByteLen(reinterpret_cast<LPCSTR>(pvargSrc->bstrVal),
                                                 SysStringByteLen(pvargSrc->bstrVal));
            if (!copy.bstrVal)
                return E_OUTOFMEMORY;
        } else if ((copy.vt == VT_UNKNOWN || copy.vt == VT_DISPATCH) && copy.punkVal) {
            copy.punkVal->AddRef();
        }
    }
    *pvargDest = copy;
    return S_OK;
}

// A by-reference source is copied as the value it refers to: a referenced VARIANT (which may hold a
// reference of its own, but not to another VARIANT), array or string is copied, a scalar read.
// The destination may be the source.
HRESULT WINAPI VariantCopyInd(VARIANT *pvarDest, const VARIANTARG *pvargSrc)
{
    if (!pvarDest || !pvargSrc)
        return E_INVALIDARG;
    if (!is_valid_type(pvargSrc->vt))
        return DISP_E_BADVARTYPE;
    const VARIANT *src = pvargSrc;
    if (src->vt == (VT_VARIANT | VT_BYREF)) {
        src = src->pvarVal;
        if (!src || src->vt == (VT_VARIANT | VT_BYREF))
            return E_INVALIDARG;
        if (!is_valid_type(src->vt))
            return DISP_E_BADVARTYPE;
    }
    VARIANT value;
    VariantInit(&value);
    if (!(src->vt & VT_BYREF)) {
        value = *src;
    } else if (src->vt & VT_ARRAY) {
        value.vt = src->vt & ~VT_BYREF;
        value.parray = src->pparray ? *src->pparray : NULL;
    } else if (!dereference(*src, value)) {
        return DISP_E_BADVARTYPE;
    }
    VARIANT copy;
    VariantInit(&copy);
    HRESULT hr = VariantCopy(&copy, &value);
    if (FAILED(hr))
        return hr;
    if (FAILED(hr = VariantClear(pvarDest))) {
        VariantClear(&copy);
        return hr;
    }
    *pvarDest = copy;
    return S_OK;
}

// The result is built aside first, so the destination may be the source.
HRESULT WINAPI VariantChangeType(VARIANTARG *pvargDest, const VARIANTARG *pvarSrc, USHORT wFlags, VARTYPE vt)
{
    if (!pvargDest || !pvarSrc)
        return E_INVALIDARG;
    if (!is_valid_type(pvarSrc->vt) || !is_valid_type(vt) || (vt & VT_BYREF))
        return DISP_E_BADVARTYPE;
    if (pvarSrc->vt == vt)
        return VariantCopy(pvargDest, pvarSrc);
    VARIANT value;
    VariantInit(&value);
    if (pvarSrc->vt & VT_BYREF) {
        if (!dereference(*pvarSrc, value))
            return DISP_E_TYPEMISMATCH;
        if (value.vt == vt)
            return VariantCopy(pvargDest, &value);
    } else {
        value = *pvarSrc;
    }
    VARIANT out;
    VariantInit(&out);
    HRESULT hr = convert(value, wFlags, vt, out);
    if (FAILED(hr))
        return hr;
    hr = VariantClear(pvargDest);
    if (FAILED(hr)) {
        VariantClear(&out);
        return hr;
    }
    *pvargDest = out;
    return S_OK;
}
