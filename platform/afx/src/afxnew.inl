// The class library's operator new, included by each module that carries its own copy: allocation
// failure raises CMemoryException* instead of std::bad_alloc. Hidden, so it serves that module only.
#include <new>
#include <stdlib.h>

#if defined(_WIN32)
// Linked statically, this replaces the standard operator new for the whole module, and the
// standard nothrow form calls the plain one: calling it from here would recurse. The C heap is what
// the standard operator delete frees.
static void *afx_allocate(size_t nSize) { return malloc(nSize ? nSize : 1); }
static void *afx_allocate_array(size_t nSize) { return malloc(nSize ? nSize : 1); }
#else
// Hidden in this module only: the standard library's own nothrow form is still its own. (The
// sanitizer build checks that new'ed memory is deleted, so this stays on the standard allocator.)
static void *afx_allocate(size_t nSize) { return ::operator new(nSize, std::nothrow); }
static void *afx_allocate_array(size_t nSize) { return ::operator new[](nSize, std::nothrow); }
#endif

void *operator new(size_t nSize)
{
    void *p = afx_allocate(nSize);
    if (!p) AfxThrowMemoryException();
    return p;
}

void *operator new[](size_t nSize)
{
    void *p = afx_allocate_array(nSize);
    if (!p) AfxThrowMemoryException();
    return p;
}

#if defined(__ELF__)
// Declared by <new> with default visibility, so the attribute cannot hide them; the assembler can.
static_assert(sizeof(size_t) == sizeof(unsigned long), "operator new symbols below are for LP64");
__asm__(".hidden _Znwm");
__asm__(".hidden _Znam");
#endif
