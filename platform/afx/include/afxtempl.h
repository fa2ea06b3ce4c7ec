// Collection templates: CArray, a growable array of values, and CTypedPtrArray, a typed face
// over the pointer arrays of afxcoll.h.
#pragma once

#include "afx.h"

#include <new>
#include <utility>

// Raw room for n elements of TYPE, raising the library's memory exception when there is none.
template <class TYPE> inline TYPE *afx_alloc_elements(INT_PTR n)
{
    if (n < 0 || SIZE_T(n) > SIZE_T(-1) / sizeof(TYPE)) AfxThrowMemoryException();
    void *p = ::operator new(SIZE_T(n) * sizeof(TYPE), std::nothrow);
    if (p == NULL && n != 0) AfxThrowMemoryException();
    return static_cast<TYPE *>(p);
}

// A growable array of TYPE; elements are constructed and destroyed as the size changes, and an
// index out of range raises CInvalidArgException*.
template <class TYPE, class ARG_TYPE = const TYPE &> class CArray : public CObject
{
public:
    CArray() : m_pData(NULL), m_nSize(0), m_nMaxSize(0), m_nGrowBy(-1) {}
    ~CArray() override
    {
        Destroy(0, m_nSize);
        ::operator delete(m_pData);
    }

    INT_PTR GetSize() const { return m_nSize; }
    INT_PTR GetCount() const { return m_nSize; }
    BOOL IsEmpty() const { return m_nSize == 0; }
    INT_PTR GetUpperBound() const { return m_nSize - 1; }

    // Grows or shrinks to nNewSize; new elements are value-initialised. nGrowBy (when not -1)
    // sets how many elements later growth adds at least.
    void SetSize(INT_PTR nNewSize, INT_PTR nGrowBy = -1)
    {
        if (nNewSize < 0) AfxThrowInvalidArgException();
        if (nGrowBy >= 0) m_nGrowBy = nGrowBy;
        if (nNewSize <= m_nSize) {
            Destroy(nNewSize, m_nSize);
            m_nSize = nNewSize;
            if (nNewSize == 0) FreeExtra();
            return;
        }
        if (nNewSize > m_nMaxSize) Reserve(nNewSize);
        for (; m_nSize < nNewSize; ++m_nSize) ::new (static_cast<void *>(m_pData + m_nSize)) TYPE();
    }
    void FreeExtra()
    {
        if (m_nSize == m_nMaxSize) return;
        Relocate(m_nSize);
    }
    void RemoveAll() { SetSize(0, -1); }

    const TYPE &GetAt(INT_PTR nIndex) const { return m_pData[Checked(nIndex)]; }
    TYPE &GetAt(INT_PTR nIndex) { return m_pData[Checked(nIndex)]; }
    void SetAt(INT_PTR nIndex, ARG_TYPE newElement) { m_pData[Checked(nIndex)] = newElement; }
    TYPE &ElementAt(INT_PTR nIndex) { return m_pData[Checked(nIndex)]; }
    const TYPE &ElementAt(INT_PTR nIndex) const { return m_pData[Checked(nIndex)]; }
    const TYPE &operator[](INT_PTR nIndex) const { return GetAt(nIndex); }
    TYPE &operator[](INT_PTR nIndex) { return ElementAt(nIndex); }
    const TYPE *GetData() const { return m_pData; }
    TYPE *GetData() { return m_pData; }

    void SetAtGrow(INT_PTR nIndex, ARG_TYPE newElement)
    {
        if (nIndex < 0) AfxThrowInvalidArgException();
        if (nIndex >= m_nSize) {
            TYPE copy(newElement);   // newElement may live in this array's storage
            SetSize(nIndex + 1, -1);
            m_pData[nIndex] = std::move(copy);
            return;
        }
        m_pData[nIndex] = newElement;
    }
    INT_PTR Add(ARG_TYPE newElement)
    {
        INT_PTR nIndex = m_nSize;
        SetAtGrow(nIndex, newElement);
        return nIndex;
    }
    INT_PTR Append(const CArray &src)
    {
        if (&src == this) AfxThrowInvalidArgException();
        INT_PTR nOldSize = m_nSize;
        SetSize(m_nSize + src.m_nSize);
        for (INT_PTR i = 0; i < src.m_nSize; ++i) m_pData[nOldSize + i] = src.m_pData[i];
        return nOldSize;
    }
    void Copy(const CArray &src)
    {
        if (&src == this) return;
        SetSize(src.m_nSize);
        for (INT_PTR i = 0; i < src.m_nSize; ++i) m_pData[i] = src.m_pData[i];
    }

    // Inserts nCount copies at nIndex, which may lie past the end (the gap is value-initialised).
    void InsertAt(INT_PTR nIndex, ARG_TYPE newElement, INT_PTR nCount = 1)
    {
        if (nIndex < 0 || nCount <= 0) AfxThrowInvalidArgException();
        TYPE copy(newElement);
        INT_PTR nOldSize = m_nSize;
        if (nIndex >= m_nSize) {
            SetSize(nIndex + nCount, -1);
        } else {
            SetSize(m_nSize + nCount, -1);
            for (INT_PTR i = nOldSize - 1; i >= nIndex; --i) m_pData[i + nCount] = std::move(m_pData[i]);
        }
        for (INT_PTR i = 0; i < nCount; ++i) m_pData[nIndex + i] = copy;
    }
    void InsertAt(INT_PTR nStartIndex, const CArray *pNewArray)
    {
        if (pNewArray == NULL || pNewArray == this || nStartIndex < 0) AfxThrowInvalidArgException();
        if (pNewArray->m_nSize == 0) return;
        InsertAt(nStartIndex, pNewArray->m_pData[0], pNewArray->m_nSize);
        for (INT_PTR i = 1; i < pNewArray->m_nSize; ++i) m_pData[nStartIndex + i] = pNewArray->m_pData[i];
    }
    void RemoveAt(INT_PTR nIndex, INT_PTR nCount = 1)
    {
        if (nIndex < 0 || nCount < 0 || nIndex > m_nSize - nCount) AfxThrowInvalidArgException();
        for (INT_PTR i = nIndex; i + nCount < m_nSize; ++i) m_pData[i] = std::move(m_pData[i + nCount]);
        Destroy(m_nSize - nCount, m_nSize);
        m_nSize -= nCount;
    }

protected:
    TYPE *m_pData;
    INT_PTR m_nSize;
    INT_PTR m_nMaxSize;
    INT_PTR m_nGrowBy;

private:
    INT_PTR Checked(INT_PTR nIndex) const
    {
        if (nIndex < 0 || nIndex >= m_nSize) AfxThrowInvalidArgException();
        return nIndex;
    }
    void Destroy(INT_PTR nFrom, INT_PTR nTo)
    {
        for (INT_PTR i = nFrom; i < nTo; ++i) m_pData[i].~TYPE();
    }
    // Room for at least nNewSize, growing by the set step or by an eighth of the size (4 to 1024).
    void Reserve(INT_PTR nNewSize)
    {
        INT_PTR nGrowBy = m_nGrowBy;
        if (nGrowBy <= 0) {
            nGrowBy = m_nSize / 8;
            nGrowBy = nGrowBy < 4 ? 4 : (nGrowBy > 1024 ? 1024 : nGrowBy);
        }
        INT_PTR nNewMax = m_nMaxSize + nGrowBy;
        if (nNewMax < nNewSize || nNewMax < m_nMaxSize) nNewMax = nNewSize;
        Relocate(nNewMax);
    }
    void Relocate(INT_PTR nNewMax)
    {
        TYPE *pNew = nNewMax ? afx_alloc_elements<TYPE>(nNewMax) : NULL;
        for (INT_PTR i = 0; i < m_nSize; ++i) {
            ::new (static_cast<void *>(pNew + i)) TYPE(std::move(m_pData[i]));
            m_pData[i].~TYPE();
        }
        ::operator delete(m_pData);
        m_pData = pNew;
        m_nMaxSize = nNewMax;
    }
};

// A pointer array (CObArray or CPtrArray) that hands out TYPE instead of the base's pointer type.
template <class BASE_CLASS, class TYPE> class CTypedPtrArray : public BASE_CLASS
{
public:
    TYPE GetAt(INT_PTR nIndex) const { return static_cast<TYPE>(BASE_CLASS::GetAt(nIndex)); }
    TYPE &ElementAt(INT_PTR nIndex) { return reinterpret_cast<TYPE &>(BASE_CLASS::ElementAt(nIndex)); }
    void SetAt(INT_PTR nIndex, TYPE ptr) { BASE_CLASS::SetAt(nIndex, ptr); }
    void SetAtGrow(INT_PTR nIndex, TYPE newElement) { BASE_CLASS::SetAtGrow(nIndex, newElement); }
    INT_PTR Add(TYPE newElement) { return BASE_CLASS::Add(newElement); }
    void InsertAt(INT_PTR nIndex, TYPE newElement, INT_PTR nCount = 1) { BASE_CLASS::InsertAt(nIndex, newElement, nCount); }
    TYPE operator[](INT_PTR nIndex) const { return GetAt(nIndex); }
    TYPE &operator[](INT_PTR nIndex) { return ElementAt(nIndex); }
    const TYPE *GetData() const { return reinterpret_cast<const TYPE *>(BASE_CLASS::GetData()); }
    TYPE *GetData() { return reinterpret_cast<TYPE *>(BASE_CLASS::GetData()); }
};
