// Run-time class information of the pointer arrays; their members are the CArray template's.
#include <afxcoll.h>

// CArray is a template without class information of its own, so the arrays derive from CObject
// as far as run-time class tests can tell.
AFX_IMPLEMENT_RUNTIMECLASS(CPtrArray, CObject, NULL)
AFX_IMPLEMENT_RUNTIMECLASS(CObArray, CObject, NULL)
