// CStringT's members, compiled into each module that uses them: storage, copy-on-write, editing,
// search, trimming and case. Included by afxstr.h only.
#pragma once

#include <limits.h>
#include <stddef.h>
#include <string.h>
#include <utility>

namespace afx_detail {

// Simple case mapping for the ranges a plug-in meets: ASCII, Latin-1, Latin Extended-A, Greek,
// Cyrillic and the full-width Latin letters.
inline WCHAR upper_wide(WCHAR c)
{
    if (c >= 'a' && c <= 'z') return WCHAR(c - 0x20);
    if (c < 0x80) return c;
    if ((c >= 0xE0 && c <= 0xFE && c != 0xF7) || (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) ||
        (c >= 0x430 && c <= 0x44F) || (c >= 0xFF41 && c <= 0xFF5A))
        return WCHAR(c - 0x20);
    if (c == 0xFF) return 0x178;
    if (c >= 0x450 && c <= 0x45F) return WCHAR(c - 0x50);
    if (c >= 0x100 && c <= 0x17F && c != 0x130 && c != 0x131 && c != 0x138 && c != 0x149 && c != 0x17F) {
        bool odd_lower = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
        if (odd_lower ? (c % 2 == 0) : (c % 2 == 1)) return WCHAR(c - 1);
    }
    return c;
}

inline WCHAR lower_wide(WCHAR c)
{
    if (c >= 'A' && c <= 'Z') return WCHAR(c + 0x20);
    if (c < 0x80) return c;
    if ((c >= 0xC0 && c <= 0xDE && c != 0xD7) || (c >= 0x391 && c <= 0x3A9 && c != 0x3A2) ||
        (c >= 0x410 && c <= 0x42F) || (c >= 0xFF21 && c <= 0xFF3A))
        return WCHAR(c + 0x20);
    if (c == 0x178) return 0xFF;
    if (c >= 0x400 && c <= 0x40F) return WCHAR(c + 0x50);
    if (c >= 0x100 && c <= 0x17F && c != 0x130 && c != 0x131 && c != 0x138 && c != 0x149 && c != 0x17F) {
        bool odd_lower = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
        if (odd_lower ? (c % 2 == 1) : (c % 2 == 0)) return WCHAR(c + 1);
    }
    return c;
}

inline bool is_space(WCHAR c)
{
    return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680 ||
           (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F ||
           c == 0x3000;
}
// Narrow text is in a multi-byte code page whose trail bytes are never below 0x40: only ASCII
// white space counts, so a trail byte is never taken for one.
inline bool is_space(CHAR c) { return (c >= 0x09 && c <= 0x0D) || c == 0x20; }

template <typename C> inline int length_of(const C *p)
{
    size_t n = 0;
    while (p[n]) ++n;
    if (n > INT_MAX / 4) AfxThrowMemoryException();
    return int(n);
}

template <typename C> inline const C *find_char(const C *p, int n, C ch)
{
    for (int i = 0; i < n; ++i)
        if (p[i] == ch) return p + i;
    return nullptr;
}

// Conversion between widths with the thread's ANSI code page.
inline int convert(const CHAR *src, int n, WCHAR *dst, int cap)
{
    return n == 0 ? 0 : ::MultiByteToWideChar(CP_THREAD_ACP, 0, src, n, dst, cap);
}
inline int convert(const WCHAR *src, int n, CHAR *dst, int cap)
{
    return n == 0 ? 0 : ::WideCharToMultiByte(CP_THREAD_ACP, 0, src, n, dst, cap, NULL, NULL);
}

template <typename B> inline B *nil_of(IAtlStringMgr *pMgr) noexcept
{
    return static_cast<B *>(pMgr->GetNilString()->data());
}

// What the trimming members take away: white space, one character, or any character of a set.
template <typename C> struct trim_space { bool operator()(C c) const { return is_space(c); } };
template <typename C> struct trim_char { C ch; bool operator()(C c) const { return c == ch; } };
template <typename C> struct trim_set
{
    const C *set;
    int n;
    bool operator()(C c) const { return c != 0 && find_char(set, n, c) != nullptr; }
};
template <typename C> inline trim_set<C> trim_set_of(const C *set) { return trim_set<C>{set, length_of(set)}; }

template <typename B, typename Pred> inline void trim_string(CStringT<B> &s, Pred pred, bool left, bool right)
{
    const B *p = s.GetString();
    int n = s.GetLength(), first = 0, last = n;
    if (left) while (first < n && pred(p[first])) ++first;
    if (right) while (last > first && pred(p[last - 1])) --last;
    if (first == 0 && last == n) return;
    CStringT<B> trimmed(s.GetManager());
    trimmed.SetString(p + first, last - first);
    s = trimmed;
}

} // namespace afx_detail

template <typename B> CStringT<B>::CStringT() noexcept : m_pszData(afx_detail::nil_of<B>(AfxGetStringManager()))
{
}

template <typename B> CStringT<B>::CStringT(IAtlStringMgr *pStringMgr) noexcept
    : m_pszData(afx_detail::nil_of<B>(pStringMgr ? pStringMgr : AfxGetStringManager()))
{
}

// The block a new string shares with pData, or a copy where sharing is not allowed: a locked block,
// or one whose manager hands copies to another manager. NULL when the copy gets no memory.
template <typename B> CStringData *CStringT<B>::CloneData(CStringData *pData) noexcept
{
    IAtlStringMgr *pMgr = pData->pStringMgr->Clone();
    if (!pData->IsLocked() && pMgr == pData->pStringMgr) {
        pData->AddRef();
        return pData;
    }
    CStringData *pNew = pMgr->Allocate(pData->nDataLength, sizeof(XCHAR));
    if (!pNew) return NULL;
    memcpy(pNew->data(), pData->data(), (size_t(pData->nDataLength) + 1) * sizeof(XCHAR));
    pNew->nDataLength = pData->nDataLength;
    return pNew;
}

// A copy of a locked string that cannot get memory is empty: copying never throws.
template <typename B> CStringT<B>::CStringT(const CStringT &src) noexcept
{
    CStringData *pData = CloneData(src.GetData());
    if (pData)
        Attach(pData);
    else
        m_pszData = afx_detail::nil_of<B>(src.GetData()->pStringMgr);
}

template <typename B> CStringT<B>::CStringT(CStringT &&src) noexcept : m_pszData(src.m_pszData)
{
    src.m_pszData = afx_detail::nil_of<B>(GetData()->pStringMgr);
}

template <typename B> CStringT<B>::CStringT(PCXSTR psz) : CStringT()
{
    if (psz != NULL && !IS_INTRESOURCE(psz)) SetString(psz, afx_detail::length_of(psz));
}

template <typename B>
CStringT<B>::CStringT(PCYSTR psz) : CStringT(psz, (psz && !IS_INTRESOURCE(psz)) ? afx_detail::length_of(psz) : 0)
{
}

template <typename B> CStringT<B>::CStringT(PCXSTR pch, int nLength) : CStringT()
{
    SetString(pch, nLength);
}

template <typename B> CStringT<B>::CStringT(PCYSTR pch, int nLength) : CStringT()
{
    if (pch == NULL || nLength <= 0) return;
    int n = afx_detail::convert(pch, nLength, nullptr, 0);
    if (n <= 0) return;
    PXSTR p = PrepareWrite(n);
    n = afx_detail::convert(pch, nLength, p, n);
    SetLength(n > 0 ? n : 0);
}

template <typename B> CStringT<B>::CStringT(XCHAR ch, int nRepeat) : CStringT()
{
    if (nRepeat <= 0) return;
    PXSTR p = PrepareWrite(nRepeat);
    for (int i = 0; i < nRepeat; ++i) p[i] = ch;
    SetLength(nRepeat);
}

template <typename B>
CStringT<B>::CStringT(const CStringT<YCHAR> &src) : CStringT(src.GetString(), src.GetLength())
{
}

template <typename B> CStringT<B>::~CStringT() { GetData()->Release(); }

template <typename B> CStringT<B> &CStringT<B>::operator=(const CStringT &src) noexcept
{
    if (src.m_pszData != m_pszData) {
        CStringT copy(src);
        std::swap(m_pszData, copy.m_pszData);
    }
    return *this;
}

template <typename B> CStringT<B> &CStringT<B>::operator=(CStringT &&src) noexcept
{
    if (this != &src) std::swap(m_pszData, src.m_pszData);
    return *this;
}

template <typename B> CStringT<B> &CStringT<B>::operator=(PCXSTR psz)
{
    SetString(psz);
    return *this;
}

template <typename B> CStringT<B> &CStringT<B>::operator=(PCYSTR psz)
{
    CStringT converted(psz);
    std::swap(m_pszData, converted.m_pszData);
    return *this;
}

template <typename B> CStringT<B> &CStringT<B>::operator=(XCHAR ch)
{
    SetString(&ch, 1);
    return *this;
}

template <typename B> CStringT<B> &CStringT<B>::operator=(const CStringT<YCHAR> &src)
{
    CStringT converted(src);
    std::swap(m_pszData, converted.m_pszData);
    return *this;
}

// A block of this string's own with room for nLength characters; the text (and its length) is kept.
template <typename B> typename CStringT<B>::PXSTR CStringT<B>::PrepareWrite(int nLength)
{
    if (nLength < 0 || size_t(nLength) > (size_t(INT_MAX) - sizeof(CStringData)) / sizeof(XCHAR) - 1)
        AfxThrowMemoryException();
    CStringData *pData = GetData();
    if (nLength < pData->nDataLength) nLength = pData->nDataLength;
    if (pData->IsShared())
        Fork(nLength);
    else if (pData->nAllocLength < nLength)
        Reallocate(nLength);
    return m_pszData;
}

// Leaves the shared block to its other strings for a copy of this string's own.
template <typename B> void CStringT<B>::Fork(int nLength)
{
    CStringData *pOld = GetData();
    int nOld = pOld->nDataLength;
    CStringData *pNew = pOld->pStringMgr->Clone()->Allocate(nLength, sizeof(XCHAR));
    if (!pNew) AfxThrowMemoryException();
    memcpy(pNew->data(), pOld->data(), (size_t(nOld) + 1) * sizeof(XCHAR));
    pNew->nDataLength = nOld;
    pOld->Release();
    Attach(pNew);
}

// Grows this string's own block by half again at least, so repeated appends stay linear.
template <typename B> void CStringT<B>::Reallocate(int nLength)
{
    CStringData *pOld = GetData();
    int nAlloc = pOld->nAllocLength;
    if (nAlloc < INT_MAX / 4) nAlloc += nAlloc / 2;
    if (nAlloc < nLength) nAlloc = nLength;
    CStringData *pNew = pOld->pStringMgr->Reallocate(pOld, nAlloc, sizeof(XCHAR));
    if (!pNew && nAlloc > nLength) pNew = pOld->pStringMgr->Reallocate(pOld, nLength, sizeof(XCHAR));
    if (!pNew) AfxThrowMemoryException();
    Attach(pNew);
}

template <typename B> void CStringT<B>::SetLength(int nLength)
{
    CStringData *pData = GetData();
    if (pData->IsShared()) return;   // the shared empty block (nothing was written) is never touched
    pData->nDataLength = nLength;
    m_pszData[nLength] = 0;
}

template <typename B> void CStringT<B>::Empty() noexcept
{
    CStringData *pData = GetData();
    if (pData->nDataLength == 0) return;
    if (pData->IsLocked()) {
        SetLength(0);
        return;
    }
    IAtlStringMgr *pMgr = pData->pStringMgr;
    pData->Release();
    m_pszData = afx_detail::nil_of<B>(pMgr);
}

template <typename B> typename CStringT<B>::XCHAR CStringT<B>::GetAt(int iChar) const
{
    if (iChar < 0 || iChar >= GetLength()) AfxThrowInvalidArgException();
    return m_pszData[iChar];
}

template <typename B> void CStringT<B>::SetAt(int iChar, XCHAR ch)
{
    if (iChar < 0 || iChar >= GetLength()) AfxThrowInvalidArgException();
    int n = GetLength();
    PrepareWrite(n)[iChar] = ch;
}

template <typename B> typename CStringT<B>::PXSTR CStringT<B>::GetBuffer() { return GetBuffer(0); }

template <typename B> typename CStringT<B>::PXSTR CStringT<B>::GetBuffer(int nMinBufferLength)
{
    int n = GetLength();
    PXSTR p = PrepareWrite(nMinBufferLength > n ? nMinBufferLength : n);
    // Locked: copies made while the buffer is out take their own data.
    if (!GetData()->IsLocked()) GetData()->Lock();
    return p;
}

template <typename B> typename CStringT<B>::PXSTR CStringT<B>::GetBufferSetLength(int nLength)
{
    if (nLength < 0) AfxThrowInvalidArgException();
    PXSTR p = GetBuffer(nLength);
    SetLength(nLength);
    return p;
}

template <typename B> void CStringT<B>::ReleaseBuffer(int nNewLength)
{
    CStringData *h = GetData();
    if (h->IsShared()) return;   // no buffer was handed out
    if (nNewLength < 0) {
        nNewLength = 0;
        while (nNewLength < h->nAllocLength && m_pszData[nNewLength]) ++nNewLength;
    }
    if (nNewLength > h->nAllocLength) nNewLength = h->nAllocLength;
    if (h->IsLocked()) h->nRefs = 1;
    SetLength(nNewLength);
}

template <typename B> void CStringT<B>::Preallocate(int nLength)
{
    if (nLength > GetLength()) PrepareWrite(nLength);
}

template <typename B> void CStringT<B>::Truncate(int nNewLength)
{
    if (nNewLength < 0) AfxThrowInvalidArgException();
    if (nNewLength >= GetLength()) return;
    PrepareWrite(nNewLength);
    SetLength(nNewLength);
}

template <typename B> void CStringT<B>::SetString(PCXSTR psz)
{
    SetString(psz, (psz && !IS_INTRESOURCE(psz)) ? afx_detail::length_of(psz) : 0);
}

template <typename B> void CStringT<B>::SetString(PCXSTR pch, int nLength)
{
    if (pch == NULL || nLength <= 0) {
        Empty();
        return;
    }
    // The source may lie inside this string's own text, which PrepareWrite keeps but may move.
    int nOld = GetLength();
    bool bInside = pch >= m_pszData && pch < m_pszData + nOld;
    ptrdiff_t nOffset = bInside ? pch - m_pszData : 0;
    if (bInside && nLength > nOld - nOffset) nLength = int(nOld - nOffset);
    PXSTR p = PrepareWrite(nLength);
    if (bInside)
        memmove(p, p + nOffset, size_t(nLength) * sizeof(XCHAR));
    else
        memcpy(p, pch, size_t(nLength) * sizeof(XCHAR));
    SetLength(nLength);
}

template <typename B> void CStringT<B>::Append(PCXSTR psz)
{
    if (psz && !IS_INTRESOURCE(psz)) Append(psz, afx_detail::length_of(psz));
}

template <typename B> void CStringT<B>::Append(PCXSTR pch, int nLength)
{
    if (pch == NULL || nLength <= 0) return;
    int nOld = GetLength();
    if (nLength > INT_MAX / 2 - nOld) AfxThrowMemoryException();
    // The source may be this string's own data, which PrepareWrite keeps but may move.
    ptrdiff_t self = (pch >= m_pszData && pch <= m_pszData + nOld) ? pch - m_pszData : -1;
    PXSTR p = PrepareWrite(nOld + nLength);
    if (self >= 0) pch = p + self;
    memmove(p + nOld, pch, size_t(nLength) * sizeof(XCHAR));
    SetLength(nOld + nLength);
}

template <typename B> void CStringT<B>::AppendChar(XCHAR ch) { Append(&ch, 1); }

template <typename B> bool CStringT<B>::Equals(const CStringT &b) const
{
    return GetLength() == b.GetLength() && Compare(b.m_pszData) == 0;
}

template <typename B> int CStringT<B>::Compare(PCXSTR psz) const
{
    static const XCHAR chEmpty = 0;
    if (psz == NULL) psz = &chEmpty;
    const XCHAR *a = m_pszData;
    using U = typename std::make_unsigned<XCHAR>::type;
    for (;; ++a, ++psz) {
        if (*a != *psz) return U(*a) < U(*psz) ? -1 : 1;
        if (!*a) return 0;
    }
}

template <typename B> int CStringT<B>::CompareNoCase(PCXSTR psz) const
{
    CStringT a(*this), b(psz);
    a.MakeLower();
    b.MakeLower();
    return a.Compare(b);
}

template <typename B> CStringT<B> CStringT<B>::Left(int nCount) const
{
    if (nCount < 0) nCount = 0;
    if (nCount >= GetLength()) return *this;
    return CStringT(m_pszData, nCount);
}

template <typename B> CStringT<B> CStringT<B>::Mid(int iFirst) const { return Mid(iFirst, GetLength()); }

template <typename B> CStringT<B> CStringT<B>::Mid(int iFirst, int nCount) const
{
    int n = GetLength();
    if (iFirst < 0) iFirst = 0;
    if (nCount < 0) nCount = 0;
    if (iFirst > n) iFirst = n;
    if (nCount > n - iFirst) nCount = n - iFirst;
    if (iFirst == 0 && nCount == n) return *this;
    return CStringT(m_pszData + iFirst, nCount);
}

template <typename B> CStringT<B> CStringT<B>::Right(int nCount) const
{
    int n = GetLength();
    if (nCount < 0) nCount = 0;
    if (nCount >= n) return *this;
    return CStringT(m_pszData + n - nCount, nCount);
}

template <typename B> int CStringT<B>::Find(XCHAR ch, int iStart) const
{
    int n = GetLength();
    if (iStart < 0 || iStart >= n) return -1;
    const XCHAR *p = afx_detail::find_char(m_pszData + iStart, n - iStart, ch);
    return p ? int(p - m_pszData) : -1;
}

template <typename B> int CStringT<B>::Find(PCXSTR pszSub, int iStart) const
{
    int n = GetLength();
    if (pszSub == NULL || iStart < 0 || iStart > n) return -1;
    int m = afx_detail::length_of(pszSub);
    for (int i = iStart; i + m <= n; ++i)
        if (memcmp(m_pszData + i, pszSub, size_t(m) * sizeof(XCHAR)) == 0) return i;
    return -1;
}

template <typename B> int CStringT<B>::FindOneOf(PCXSTR pszCharSet) const
{
    if (pszCharSet == NULL) return -1;
    int m = afx_detail::length_of(pszCharSet);
    for (int i = 0; i < GetLength(); ++i)
        if (afx_detail::find_char(pszCharSet, m, m_pszData[i])) return i;
    return -1;
}

template <typename B> int CStringT<B>::ReverseFind(XCHAR ch) const
{
    for (int i = GetLength() - 1; i >= 0; --i)
        if (m_pszData[i] == ch) return i;
    return -1;
}

template <typename B> int CStringT<B>::Replace(XCHAR chOld, XCHAR chNew)
{
    int n = GetLength(), count = 0;
    if (chOld == chNew || Find(chOld) < 0) return 0;
    PXSTR p = PrepareWrite(n);
    for (int i = 0; i < n; ++i)
        if (p[i] == chOld) { p[i] = chNew; ++count; }
    return count;
}

template <typename B> int CStringT<B>::Replace(PCXSTR pszOld, PCXSTR pszNew)
{
    int nOld = pszOld ? afx_detail::length_of(pszOld) : 0;
    if (nOld == 0) return 0;
    int nNew = pszNew ? afx_detail::length_of(pszNew) : 0;
    CStringT result(GetManager());   // the edited text stays with this string's manager
    int count = 0, from = 0;
    for (int at; (at = Find(pszOld, from)) >= 0; from = at + nOld, ++count) {
        result.Append(m_pszData + from, at - from);
        result.Append(pszNew, nNew);
    }
    if (count == 0) return 0;
    result.Append(m_pszData + from, GetLength() - from);
    std::swap(m_pszData, result.m_pszData);
    return count;
}

template <typename B> int CStringT<B>::Remove(XCHAR chRemove)
{
    int n = GetLength();
    if (Find(chRemove) < 0) return 0;
    PXSTR p = PrepareWrite(n);
    int out = 0;
    for (int i = 0; i < n; ++i)
        if (p[i] != chRemove) p[out++] = p[i];
    SetLength(out);
    return n - out;
}

template <typename B> int CStringT<B>::Insert(int iIndex, XCHAR ch)
{
    XCHAR s[2] = {ch, 0};
    return Insert(iIndex, s);
}

template <typename B> int CStringT<B>::Insert(int iIndex, PCXSTR psz)
{
    int n = GetLength();
    if (iIndex < 0) iIndex = 0;
    if (iIndex > n) iIndex = n;
    int m = psz ? afx_detail::length_of(psz) : 0;
    if (m == 0) return n;
    CStringT result(GetManager());
    result.SetString(m_pszData, iIndex);
    result.Append(psz, m);
    result.Append(m_pszData + iIndex, n - iIndex);
    std::swap(m_pszData, result.m_pszData);
    return GetLength();
}

template <typename B> int CStringT<B>::Delete(int iIndex, int nCount)
{
    int n = GetLength();
    if (iIndex < 0) iIndex = 0;
    if (nCount <= 0 || iIndex >= n) return n;
    if (nCount > n - iIndex) nCount = n - iIndex;
    PXSTR p = PrepareWrite(n);
    memmove(p + iIndex, p + iIndex + nCount, size_t(n - iIndex - nCount) * sizeof(XCHAR));
    SetLength(n - nCount);
    return n - nCount;
}

template <typename B> CStringT<B> &CStringT<B>::Trim()
{
    afx_detail::trim_string(*this, afx_detail::trim_space<B>(), true, true);
    return *this;
}

template <typename B> CStringT<B> &CStringT<B>::Trim(XCHAR chTarget)
{
    afx_detail::trim_string(*this, afx_detail::trim_char<B>{chTarget}, true, true);
    return *this;
}

template <typename B> CStringT<B> &CStringT<B>::Trim(PCXSTR pszTargets)
{
    if (pszTargets) afx_detail::trim_string(*this, afx_detail::trim_set_of(pszTargets), true, true);
    return *this;
}

template <typename B> CStringT<B> &CStringT<B>::TrimLeft()
{
    afx_detail::trim_string(*this, afx_detail::trim_space<B>(), true, false);
    return *this;
}

template <typename B> CStringT<B> &CStringT<B>::TrimLeft(XCHAR chTarget)
{
    afx_detail::trim_string(*this, afx_detail::trim_char<B>{chTarget}, true, false);
    return *this;
}

template <typename B> CStringT<B> &CStringT<B>::TrimLeft(PCXSTR pszTargets)
{
    if (pszTargets) afx_detail::trim_string(*this, afx_detail::trim_set_of(pszTargets), true, false);
    return *this;
}

template <typename B> CStringT<B> &CStringT<B>::TrimRight()
{
    afx_detail::trim_string(*this, afx_detail::trim_space<B>(), false, true);
    return *this;
}

template <typename B> CStringT<B> &CStringT<B>::TrimRight(XCHAR chTarget)
{
    afx_detail::trim_string(*this, afx_detail::trim_char<B>{chTarget}, false, true);
    return *this;
}

template <typename B> CStringT<B> &CStringT<B>::TrimRight(PCXSTR pszTargets)
{
    if (pszTargets) afx_detail::trim_string(*this, afx_detail::trim_set_of(pszTargets), false, true);
    return *this;
}

namespace afx_detail {

inline void map_case(CStringW &s, WCHAR (*map)(WCHAR))
{
    int n = s.GetLength();
    bool change = false;
    for (int i = 0; i < n && !change; ++i) change = map(s.GetString()[i]) != s.GetString()[i];
    if (!change) return;
    WCHAR *p = s.GetBuffer(n);
    for (int i = 0; i < n; ++i) p[i] = map(p[i]);
    s.ReleaseBuffer(n);
}

// Narrow text goes through the wide form when it holds non-ASCII bytes, so multi-byte characters
// (whose trail bytes may look like ASCII letters) are never split.
inline void map_case(CStringA &s, WCHAR (*map)(WCHAR))
{
    int n = s.GetLength();
    const CHAR *p = s.GetString();
    bool ascii = true;
    for (int i = 0; i < n && ascii; ++i) ascii = (unsigned char)p[i] < 0x80;
    if (!ascii) {
        CStringW wide(s);
        map_case(wide, map);
        s = CStringA(wide);
        return;
    }
    bool change = false;
    for (int i = 0; i < n && !change; ++i) change = map(WCHAR(p[i])) != WCHAR(p[i]);
    if (!change) return;
    CHAR *q = s.GetBuffer(n);
    for (int i = 0; i < n; ++i) q[i] = CHAR(map(WCHAR(q[i])));
    s.ReleaseBuffer(n);
}

} // namespace afx_detail

template <typename B> CStringT<B> &CStringT<B>::MakeUpper()
{
    afx_detail::map_case(*this, afx_detail::upper_wide);
    return *this;
}

template <typename B> CStringT<B> &CStringT<B>::MakeLower()
{
    afx_detail::map_case(*this, afx_detail::lower_wide);
    return *this;
}

template <typename B> CStringT<B> &CStringT<B>::MakeReverse()
{
    int n = GetLength();
    if (n < 2) return *this;
    PXSTR p = PrepareWrite(n);
    for (int i = 0, j = n - 1; i < j; ++i, --j) std::swap(p[i], p[j]);
    return *this;
}

