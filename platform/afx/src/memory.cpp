// The class library's own operator new for the shared library itself: allocation failure raises
// CMemoryException* instead of std::bad_alloc, for this library's code only.
#include <afx.h>

#include "afxnew.inl"
