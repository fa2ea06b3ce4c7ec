// The class library's core: CObject with run-time class information, the exception classes
// (thrown as pointers, caught as CException*), strings and the module state.
#pragma once

#include "afxver_.h"
#include <tchar.h>
#include "afxstr.h"

class CObject;

// What a class knows about itself at run time: its name, its base and how to create one.
struct AFX_API CRuntimeClass
{
    LPCSTR m_lpszClassName;
    int m_nObjectSize;
    UINT m_wSchema;
    CObject *(*m_pfnCreateObject)();
    const CRuntimeClass *m_pBaseClass;

    CObject *CreateObject() const;              // NULL when the class is not DYNCREATE
    BOOL IsDerivedFrom(const CRuntimeClass *pBaseClass) const;
    static const CRuntimeClass *FromName(LPCSTR lpszClassName);
};

#define RUNTIME_CLASS(class_name) (const_cast<CRuntimeClass *>(&class_name::class##class_name))

#define DECLARE_DYNAMIC(class_name)                                                                \
public:                                                                                            \
    static const CRuntimeClass class##class_name;                                                  \
    virtual CRuntimeClass *GetRuntimeClass() const override;

#define DECLARE_DYNCREATE(class_name)                                                              \
    DECLARE_DYNAMIC(class_name)                                                                    \
    static CObject *CreateObject();

#define AFX_IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, pfnNew)                            \
    const CRuntimeClass class_name::class##class_name = {#class_name, int(sizeof(class_name)),     \
                                                         0xFFFF, pfnNew, RUNTIME_CLASS(base_class_name)}; \
    CRuntimeClass *class_name::GetRuntimeClass() const { return RUNTIME_CLASS(class_name); }

#define IMPLEMENT_DYNAMIC(class_name, base_class_name)                                             \
    AFX_IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, NULL)

#define IMPLEMENT_DYNCREATE(class_name, base_class_name)                                           \
    CObject *class_name::CreateObject() { return new class_name; }                                 \
    AFX_IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, class_name::CreateObject)

// The root of the class hierarchy: run-time type checks and a virtual destructor.
class AFX_API CObject
{
public:
    static const CRuntimeClass classCObject;
    virtual CRuntimeClass *GetRuntimeClass() const;
    virtual ~CObject() = default;
    BOOL IsKindOf(const CRuntimeClass *pClass) const;

protected:
    CObject() = default;

private:
    CObject(const CObject &) = delete;
    CObject &operator=(const CObject &) = delete;
};

// Base of every exception the library raises. Thrown as a pointer; the catcher calls Delete().
class AFX_API CException : public CObject
{
    DECLARE_DYNAMIC(CException)
public:
    explicit CException(BOOL bAutoDelete = TRUE) : m_bAutoDelete(bAutoDelete) {}
    void Delete();
    virtual BOOL GetErrorMessage(LPTSTR lpszError, UINT nMaxError, PUINT pnHelpContext = NULL) const;

protected:
    BOOL m_bAutoDelete;
    static BOOL CopyMessage(LPCTSTR lpszText, LPTSTR lpszError, UINT nMaxError);
};

class AFX_API CSimpleException : public CException
{
    DECLARE_DYNAMIC(CSimpleException)
public:
    explicit CSimpleException(BOOL bAutoDelete = TRUE) : CException(bAutoDelete) {}
};

class AFX_API CMemoryException : public CSimpleException
{
    DECLARE_DYNAMIC(CMemoryException)
public:
    explicit CMemoryException(BOOL bAutoDelete = TRUE) : CSimpleException(bAutoDelete) {}
    BOOL GetErrorMessage(LPTSTR lpszError, UINT nMaxError, PUINT pnHelpContext = NULL) const override;
};

class AFX_API CInvalidArgException : public CSimpleException
{
    DECLARE_DYNAMIC(CInvalidArgException)
public:
    explicit CInvalidArgException(BOOL bAutoDelete = TRUE) : CSimpleException(bAutoDelete) {}
    BOOL GetErrorMessage(LPTSTR lpszError, UINT nMaxError, PUINT pnHelpContext = NULL) const override;
};

class AFX_API CNotSupportedException : public CSimpleException
{
    DECLARE_DYNAMIC(CNotSupportedException)
public:
    explicit CNotSupportedException(BOOL bAutoDelete = TRUE) : CSimpleException(bAutoDelete) {}
    BOOL GetErrorMessage(LPTSTR lpszError, UINT nMaxError, PUINT pnHelpContext = NULL) const override;
};

// Raised when data exchange rejects a control; the user has already been told nothing more.
class AFX_API CUserException : public CSimpleException
{
    DECLARE_DYNAMIC(CUserException)
public:
    explicit CUserException(BOOL bAutoDelete = TRUE) : CSimpleException(bAutoDelete) {}
};

class AFX_API CFileException : public CException
{
    DECLARE_DYNAMIC(CFileException)
public:
    enum {
        none, genericException, fileNotFound, badPath, tooManyOpenFiles, accessDenied, invalidFile,
        removeCurrentDir, directoryFull, badSeek, hardIO, sharingViolation, lockViolation, diskFull,
        endOfFile
    };
    explicit CFileException(int cause = none, LONG lOsError = -1, LPCTSTR lpszArchiveName = NULL)
        : m_cause(cause), m_lOsError(lOsError), m_strFileName(lpszArchiveName) {}
    BOOL GetErrorMessage(LPTSTR lpszError, UINT nMaxError, PUINT pnHelpContext = NULL) const override;
    static int OsErrorToException(LONG lOsError);
    static void ThrowOsError(LONG lOsError, LPCTSTR lpszFileName = NULL);

    int m_cause;
    LONG m_lOsError;
    CString m_strFileName;
};

[[noreturn]] AFX_API void AFXAPI AfxThrowMemoryException();
[[noreturn]] AFX_API void AFXAPI AfxThrowInvalidArgException();
[[noreturn]] AFX_API void AFXAPI AfxThrowNotSupportedException();
[[noreturn]] AFX_API void AFXAPI AfxThrowUserException();
[[noreturn]] AFX_API void AFXAPI AfxThrowFileException(int cause, LONG lOsError = -1, LPCTSTR lpszFileName = NULL);

// ---------------------------------------------------------------------------------------------
// Files: raise CFileException* on failure, never answer a short write.

// A file opened through the system's file functions; owns its handle unless built over one.
class AFX_API CFile : public CObject
{
    DECLARE_DYNAMIC(CFile)
public:
    enum OpenFlags {
        modeRead = 0x0000, modeWrite = 0x0001, modeReadWrite = 0x0002,
        shareCompat = 0x0000, shareExclusive = 0x0010, shareDenyWrite = 0x0020, shareDenyRead = 0x0030,
        shareDenyNone = 0x0040, modeNoInherit = 0x0080, modeCreate = 0x1000, modeNoTruncate = 0x2000,
        typeText = 0x4000, typeBinary = 0x8000
    };
    enum SeekPosition { begin = 0x0, current = 0x1, end = 0x2 };
    static const HANDLE hFileNull;

    HANDLE m_hFile;

    CFile();
    explicit CFile(HANDLE hFile);                         // borrowed: Close does not close it
    CFile(LPCTSTR lpszFileName, UINT nOpenFlags);         // raises CFileException* on failure
    ~CFile() override;

    operator HANDLE() const { return m_hFile; }
    // FALSE and the cause in *pError (when given) on failure.
    virtual BOOL Open(LPCTSTR lpszFileName, UINT nOpenFlags, CFileException *pError = NULL);
    virtual UINT Read(void *lpBuf, UINT nCount);          // fewer than nCount at the end, 0 past it
    virtual void Write(const void *lpBuf, UINT nCount);
    virtual ULONGLONG Seek(LONGLONG lOff, UINT nFrom);
    void SeekToBegin() { Seek(0, begin); }
    ULONGLONG SeekToEnd() { return Seek(0, end); }
    virtual ULONGLONG GetPosition() const;
    virtual ULONGLONG GetLength() const;
    virtual void SetLength(ULONGLONG dwNewLen);
    virtual void Flush();
    virtual void Close();
    virtual void Abort();                                 // Close without raising
    virtual CString GetFilePath() const { return m_strFileName; }

protected:
    BOOL m_bCloseOnDelete;
    CString m_strFileName;
};

// A file in memory: a block of its own that grows by m_nGrowBytes, or a caller's block that
// never grows (nGrowBytes 0), whose whole size is the file's length.
class AFX_API CMemFile : public CFile
{
    DECLARE_DYNAMIC(CMemFile)
public:
    explicit CMemFile(UINT nGrowBytes = 1024);
    CMemFile(BYTE *lpBuffer, UINT nBufferSize, UINT nGrowBytes = 0);
    ~CMemFile() override;

    void Attach(BYTE *lpBuffer, UINT nBufferSize, UINT nGrowBytes = 0);
    BYTE *Detach();                                       // the block, now the caller's

    UINT Read(void *lpBuf, UINT nCount) override;
    void Write(const void *lpBuf, UINT nCount) override;  // past a block that cannot grow: CMemoryException*
    ULONGLONG Seek(LONGLONG lOff, UINT nFrom) override;
    ULONGLONG GetPosition() const override { return m_nPosition; }
    ULONGLONG GetLength() const override { return m_nFileSize; }
    void SetLength(ULONGLONG dwNewLen) override;
    void Flush() override {}
    void Close() override;
    void Abort() override { Close(); }

protected:
    virtual void GrowFile(SIZE_T dwNewLen);

    SIZE_T m_nGrowBytes;
    SIZE_T m_nPosition;
    SIZE_T m_nBufferSize;
    SIZE_T m_nFileSize;
    BYTE *m_lpBuffer;
    BOOL m_bAutoDelete;                                   // the block is ours to free
};

#include "afxstat_.h"
