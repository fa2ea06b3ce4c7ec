// Build switches shared by every class-library header: export markers and the library's calling names.
#pragma once

#include <windows.h>

// Natively the class library lives in one shared library that the host and every regular library
// share; the Windows build compiles it into the plug-in (AFX_STATIC_LIBRARY), which exports nothing of it.
#if defined(_WIN32) && defined(AFX_STATIC_LIBRARY)
#define AFX_API
#define AFX_MODULE_LOCAL
#elif defined(_WIN32)
#ifdef AFX_BUILDING_LIBRARY
#define AFX_API __declspec(dllexport)
#else
#define AFX_API __declspec(dllimport)
#endif
#define AFX_MODULE_LOCAL
#else
#define AFX_API __attribute__((visibility("default")))
// Visible inside one shared object only: each regular library gets its own copy.
#define AFX_MODULE_LOCAL __attribute__((visibility("hidden")))
#endif

#define AFXAPI
#define AFX_CDECL
#define afx_msg
#define AFX_NOVTABLE

#ifndef AFX_STATIC_DATA
#define AFX_STATIC_DATA
#endif

#ifndef PASCAL
#define PASCAL
#endif

// Hides a pointer's origin from the optimiser, so a member function may test its own this for
// NULL (GetSafeHwnd on a null window pointer answers NULL).
template <typename T> inline T *afx_opaque(T *p)
{
#if defined(__GNUC__)
    __asm__("" : "+r"(p));
#endif
    return p;
}
