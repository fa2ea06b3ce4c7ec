// The class library's operator new, included by each module that carries its own copy: allocation
// failure raises CMemoryException* instead of std::bad_alloc. Hidden, so it serves that module only.
#include <new>

void *operator new(size_t nSize)
{
    void *p = ::operator new(nSize, std::nothrow);
    if (!p) AfxThrowMemoryException();
    return p;
}

void *operator new[](size_t nSize)
{
    void *p = ::operator new[](nSize, std::nothrow);
    if (!p) AfxThrowMemoryException();
    return p;
}

#if defined(__ELF__)
// Declared by <new> with default visibility, so the attribute cannot hide them; the assembler can.
static_assert(sizeof(size_t) == sizeof(unsigned long), "operator new symbols below are for LP64");
__asm__(".hidden _Znwm");
__asm__(".hidden _Znam");
#endif
