// CStringW / CStringA (CString = CStringW): reference-counted copy-on-write strings in the class
// library's documented binary layout, so code built against the original headers (a host filling a
// string it was handed) may read, grow, copy and free them through the string manager they carry.
#pragma once

#include "afxver_.h"
#include <stdarg.h>
#include <type_traits>

class IAtlStringMgr;

// The header in front of every string's characters: one pointer before them is all a string holds.
struct CStringData
{
    IAtlStringMgr *pStringMgr;   // allocates, grows and frees this block
    int nDataLength;             // characters in use, terminator excluded
    int nAllocLength;            // characters that fit, terminator excluded
    LONG nRefs;                  // strings sharing the block; negative: locked to one string

    void *data() noexcept { return this + 1; }
    void AddRef() noexcept { ::InterlockedIncrement(&nRefs); }
    void Release() noexcept;     // the manager frees the block with its last reference (or a locked one)
    bool IsLocked() const noexcept { return nRefs < 0; }
    bool IsShared() const noexcept { return nRefs > 1; }
    void Lock() noexcept
    {
        if (--nRefs == 0) nRefs = -1;
    }
    void Unlock() noexcept
    {
        if (IsLocked() && ++nRefs == 0) nRefs = 1;
    }
};

// The string manager interface; the order of its operations is binary contract.
class IAtlStringMgr
{
public:
    // A block of at least nAllocLength characters of nCharSize bytes, plus a terminator: length 0,
    // one reference, this manager. NULL when there is no memory.
    virtual CStringData *Allocate(int nAllocLength, int nCharSize) noexcept = 0;    // 0
    virtual void Free(CStringData *pData) noexcept = 0;                             // 1
    // The block grown to at least nAllocLength characters, length and references kept; NULL (and
    // pData untouched) when there is no memory.
    virtual CStringData *Reallocate(CStringData *pData, int nAllocLength, int nCharSize) noexcept = 0;   // 2
    // The shared empty block, with a reference for the caller.
    virtual CStringData *GetNilString() noexcept = 0;                               // 3
    // The manager for a copy made by another string: this one, being thread-safe.
    virtual IAtlStringMgr *Clone() noexcept = 0;                                    // 4
};

inline void CStringData::Release() noexcept
{
    if (::InterlockedDecrement(&nRefs) <= 0) pStringMgr->Free(this);
}

// The class library's manager: the C heap of the module that holds the class library.
AFX_API IAtlStringMgr *AFXAPI AfxGetStringManager() noexcept;

// What the string members raise (declared again, with the library's other exceptions, in afx.h).
[[noreturn]] AFX_API void AFXAPI AfxThrowMemoryException();
[[noreturn]] AFX_API void AFXAPI AfxThrowInvalidArgException();

// The other width of a character type: the type a string converts from and formats with %S.
template <typename BaseType> struct afx_other_char;
template <> struct afx_other_char<WCHAR> { typedef CHAR type; };
template <> struct afx_other_char<CHAR> { typedef WCHAR type; };

// Every module compiles the members it uses for itself (afxstr.inl), so loading one binds none of
// them; only the printf engine is the class library's, exported.
template <typename BaseType>
class CStringT
{
public:
    typedef BaseType XCHAR;
    typedef XCHAR *PXSTR;
    typedef const XCHAR *PCXSTR;
    typedef typename afx_other_char<BaseType>::type YCHAR;
    typedef YCHAR *PYSTR;
    typedef const YCHAR *PCYSTR;

    CStringT() noexcept;
    explicit CStringT(IAtlStringMgr *pStringMgr) noexcept;   // empty, its blocks made by that manager
    CStringT(const CStringT &src) noexcept;
    CStringT(CStringT &&src) noexcept;
    CStringT(PCXSTR psz);                       // NULL or an integer resource id gives an empty string
    CStringT(PCYSTR psz);                       // converted with the thread's ANSI code page
    CStringT(PCXSTR pch, int nLength);
    CStringT(PCYSTR pch, int nLength);
    explicit CStringT(XCHAR ch, int nRepeat = 1);
    explicit CStringT(const CStringT<YCHAR> &src);
    ~CStringT();

    CStringT &operator=(const CStringT &src) noexcept;
    CStringT &operator=(CStringT &&src) noexcept;
    CStringT &operator=(PCXSTR psz);
    CStringT &operator=(PCYSTR psz);
    CStringT &operator=(XCHAR ch);
    CStringT &operator=(const CStringT<YCHAR> &src);
    CStringT &operator+=(const CStringT &str) { Append(str.m_pszData, str.GetLength()); return *this; }
    CStringT &operator+=(PCXSTR psz) { Append(psz); return *this; }
    CStringT &operator+=(PCYSTR psz) { Append(CStringT(psz)); return *this; }
    CStringT &operator+=(XCHAR ch) { AppendChar(ch); return *this; }

    int GetLength() const noexcept { return GetData()->nDataLength; }
    int GetAllocLength() const noexcept { return GetData()->nAllocLength; }
    CStringData *GetData() const noexcept { return reinterpret_cast<CStringData *>(m_pszData) - 1; }
    IAtlStringMgr *GetManager() const noexcept { return GetData()->pStringMgr->Clone(); }
    BOOL IsEmpty() const noexcept { return GetLength() == 0; }
    PCXSTR GetString() const noexcept { return m_pszData; }
    operator PCXSTR() const noexcept { return m_pszData; }
    void Empty() noexcept;

    // Out-of-range indexes raise CInvalidArgException* rather than reading past the data.
    XCHAR GetAt(int iChar) const;
    XCHAR operator[](int iChar) const { return GetAt(iChar); }
    void SetAt(int iChar, XCHAR ch);

    PXSTR GetBuffer();
    PXSTR GetBuffer(int nMinBufferLength);
    PXSTR GetBufferSetLength(int nLength);
    void ReleaseBuffer(int nNewLength = -1);
    void Preallocate(int nLength);
    void Truncate(int nNewLength);

    void Append(PCXSTR psz);
    void Append(PCXSTR pch, int nLength);
    void Append(const CStringT &str) { Append(str.m_pszData, str.GetLength()); }
    void AppendChar(XCHAR ch);
    void SetString(PCXSTR psz);
    void SetString(PCXSTR pch, int nLength);

    int Compare(PCXSTR psz) const;               // ordinal, by code unit
    int CompareNoCase(PCXSTR psz) const;         // ordinal after simple case folding

    CStringT Left(int nCount) const;
    CStringT Mid(int iFirst) const;
    CStringT Mid(int iFirst, int nCount) const;
    CStringT Right(int nCount) const;

    int Find(XCHAR ch, int iStart = 0) const;
    int Find(PCXSTR pszSub, int iStart = 0) const;
    int FindOneOf(PCXSTR pszCharSet) const;
    int ReverseFind(XCHAR ch) const;

    int Replace(XCHAR chOld, XCHAR chNew);
    int Replace(PCXSTR pszOld, PCXSTR pszNew);
    int Remove(XCHAR chRemove);
    int Insert(int iIndex, XCHAR ch);
    int Insert(int iIndex, PCXSTR psz);
    int Delete(int iIndex, int nCount = 1);

    CStringT &Trim();
    CStringT &Trim(XCHAR chTarget);
    CStringT &Trim(PCXSTR pszTargets);
    CStringT &TrimLeft();
    CStringT &TrimLeft(XCHAR chTarget);
    CStringT &TrimLeft(PCXSTR pszTargets);
    CStringT &TrimRight();
    CStringT &TrimRight(XCHAR chTarget);
    CStringT &TrimRight(PCXSTR pszTargets);

    CStringT &MakeUpper();
    CStringT &MakeLower();
    CStringT &MakeReverse();

    // printf conversions as Windows' C runtime reads them: %s is this width, %S the other, l is
    // 32-bit, ll/I64 64-bit, I pointer-sized.
    AFX_API void AFX_CDECL Format(PCXSTR pszFormat, ...);
    AFX_API void AFX_CDECL AppendFormat(PCXSTR pszFormat, ...);
    // String objects among the arguments are passed as their text (a class object cannot travel
    // through "..."); other class objects are refused at compile time.
    template <typename... Args> void Format(PCXSTR pszFormat, const Args &...args)
    {
        void (CStringT::*pfn)(PCXSTR, ...) = &CStringT::Format;
        (this->*pfn)(pszFormat, FormatArg(args)...);
    }
    template <typename... Args> void AppendFormat(PCXSTR pszFormat, const Args &...args)
    {
        void (CStringT::*pfn)(PCXSTR, ...) = &CStringT::AppendFormat;
        (this->*pfn)(pszFormat, FormatArg(args)...);
    }
    AFX_API void FormatV(PCXSTR pszFormat, va_list args);
    AFX_API void AppendFormatV(PCXSTR pszFormat, va_list args);

    friend bool operator==(const CStringT &a, const CStringT &b) { return a.Equals(b); }
    friend bool operator==(const CStringT &a, PCXSTR b) { return a.Compare(b) == 0; }
    friend bool operator==(PCXSTR a, const CStringT &b) { return b.Compare(a) == 0; }
    friend bool operator!=(const CStringT &a, const CStringT &b) { return !a.Equals(b); }
    friend bool operator!=(const CStringT &a, PCXSTR b) { return a.Compare(b) != 0; }
    friend bool operator!=(PCXSTR a, const CStringT &b) { return b.Compare(a) != 0; }
    friend bool operator<(const CStringT &a, const CStringT &b) { return a.Compare(b) < 0; }
    friend bool operator<(const CStringT &a, PCXSTR b) { return a.Compare(b) < 0; }
    friend bool operator<(PCXSTR a, const CStringT &b) { return b.Compare(a) > 0; }
    friend bool operator>(const CStringT &a, const CStringT &b) { return a.Compare(b) > 0; }
    friend bool operator<=(const CStringT &a, const CStringT &b) { return a.Compare(b) <= 0; }
    friend bool operator>=(const CStringT &a, const CStringT &b) { return a.Compare(b) >= 0; }

    friend CStringT operator+(const CStringT &a, const CStringT &b) { CStringT s(a); s.Append(b); return s; }
    friend CStringT operator+(const CStringT &a, PCXSTR b) { CStringT s(a); s.Append(b); return s; }
    friend CStringT operator+(PCXSTR a, const CStringT &b) { CStringT s(a); s.Append(b); return s; }
    friend CStringT operator+(const CStringT &a, XCHAR b) { CStringT s(a); s.AppendChar(b); return s; }
    friend CStringT operator+(XCHAR a, const CStringT &b) { CStringT s(a); s.Append(b); return s; }

private:
    template <typename T> static const T &FormatArg(const T &value)
    {
        static_assert(std::is_trivially_copyable<T>::value, "pass class objects to Format as text");
        return value;
    }
    static PCXSTR FormatArg(const CStringT &str) { return str.GetString(); }
    static PCYSTR FormatArg(const CStringT<YCHAR> &str) { return str.GetString(); }

    bool Equals(const CStringT &b) const;
    PXSTR PrepareWrite(int nLength);             // unique block of at least nLength, contents kept
    void Fork(int nLength);
    void Reallocate(int nLength);
    void SetLength(int nLength);
    void Attach(CStringData *pData) noexcept { m_pszData = static_cast<PXSTR>(pData->data()); }
    static CStringData *CloneData(CStringData *pData) noexcept;

    PXSTR m_pszData;
};

typedef CStringT<WCHAR> CStringW;
typedef CStringT<CHAR> CStringA;
typedef CStringW CString;

#include "afxstr.inl"
