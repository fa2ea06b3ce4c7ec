// Pointer collections: CPtrArray and CObArray, growable arrays that never own what they point at.
#pragma once

#include "afxtempl.h"

class AFX_API CPtrArray : public CArray<void *, void *>
{
    DECLARE_DYNAMIC(CPtrArray)
public:
    CPtrArray() = default;
};

class AFX_API CObArray : public CArray<CObject *, CObject *>
{
    DECLARE_DYNAMIC(CObArray)
public:
    CObArray() = default;
};
