// CObject's run-time class information and the exception classes with their throw helpers.
#include <afx.h>
#include <string.h>

const CRuntimeClass CObject::classCObject = {"CObject", int(sizeof(CObject)), 0xFFFF, NULL, NULL};

CRuntimeClass *CObject::GetRuntimeClass() const { return RUNTIME_CLASS(CObject); }

BOOL CObject::IsKindOf(const CRuntimeClass *pClass) const
{
    return GetRuntimeClass()->IsDerivedFrom(pClass);
}

CObject *CRuntimeClass::CreateObject() const
{
    return m_pfnCreateObject ? m_pfnCreateObject() : NULL;
}

BOOL CRuntimeClass::IsDerivedFrom(const CRuntimeClass *pBaseClass) const
{
    for (const CRuntimeClass *p = this; p; p = p->m_pBaseClass)
        if (p == pBaseClass) return TRUE;
    return FALSE;
}

IMPLEMENT_DYNAMIC(CException, CObject)
IMPLEMENT_DYNAMIC(CSimpleException, CException)
IMPLEMENT_DYNAMIC(CMemoryException, CSimpleException)
IMPLEMENT_DYNAMIC(CInvalidArgException, CSimpleException)
IMPLEMENT_DYNAMIC(CNotSupportedException, CSimpleException)
IMPLEMENT_DYNAMIC(CUserException, CSimpleException)
IMPLEMENT_DYNAMIC(CFileException, CException)

void CException::Delete()
{
    if (m_bAutoDelete) delete this;
}

BOOL CException::CopyMessage(LPCTSTR lpszText, LPTSTR lpszError, UINT nMaxError)
{
    if (lpszError == NULL || nMaxError == 0) return FALSE;
    UINT n = 0;
    while (lpszText[n] && n + 1 < nMaxError) {
        lpszError[n] = lpszText[n];
        ++n;
    }
    lpszError[n] = 0;
    return TRUE;
}

BOOL CException::GetErrorMessage(LPTSTR lpszError, UINT nMaxError, PUINT pnHelpContext) const
{
    if (pnHelpContext) *pnHelpContext = 0;
    if (lpszError && nMaxError) *lpszError = 0;
    return FALSE;
}

BOOL CMemoryException::GetErrorMessage(LPTSTR lpszError, UINT nMaxError, PUINT pnHelpContext) const
{
    if (pnHelpContext) *pnHelpContext = 0;
    return CopyMessage(TEXT("Out of memory."), lpszError, nMaxError);
}

BOOL CInvalidArgException::GetErrorMessage(LPTSTR lpszError, UINT nMaxError, PUINT pnHelpContext) const
{
    if (pnHelpContext) *pnHelpContext = 0;
    return CopyMessage(TEXT("Encountered an improper argument."), lpszError, nMaxError);
}

BOOL CNotSupportedException::GetErrorMessage(LPTSTR lpszError, UINT nMaxError, PUINT pnHelpContext) const
{
    if (pnHelpContext) *pnHelpContext = 0;
    return CopyMessage(TEXT("Unsupported operation was attempted."), lpszError, nMaxError);
}

BOOL CFileException::GetErrorMessage(LPTSTR lpszError, UINT nMaxError, PUINT pnHelpContext) const
{
    static const LPCTSTR causes[] = {
        TEXT("No error occurred."),
        TEXT("An unknown error occurred while accessing %s."),
        TEXT("%s was not found."),
        TEXT("%s contains an incorrect path."),
        TEXT("%s could not be opened because there are too many open files."),
        TEXT("Access to %s was denied."),
        TEXT("An incorrect file handle was associated with %s."),
        TEXT("%s could not be removed because it is the current directory."),
        TEXT("%s could not be created because the directory is full."),
        TEXT("Seek failed on %s."),
        TEXT("A hardware I/O error was reported while accessing %s."),
        TEXT("A sharing violation occurred while accessing %s."),
        TEXT("A locking violation occurred while accessing %s."),
        TEXT("Disk full while accessing %s."),
        TEXT("An attempt was made to access %s past its end."),
    };
    if (pnHelpContext) *pnHelpContext = 0;
    int cause = (m_cause >= 0 && m_cause <= endOfFile) ? m_cause : genericException;
    CString name = m_strFileName.IsEmpty() ? CString(TEXT("an unnamed file")) : m_strFileName;
    CString text;
    text.Format(causes[cause], name.GetString());
    return CopyMessage(text, lpszError, nMaxError);
}

int CFileException::OsErrorToException(LONG lOsError)
{
    switch (lOsError) {
    case NO_ERROR: return none;
    case ERROR_FILE_NOT_FOUND: return fileNotFound;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME: return badPath;
    case ERROR_TOO_MANY_OPEN_FILES: return tooManyOpenFiles;
    case ERROR_ACCESS_DENIED: return accessDenied;
    case ERROR_INVALID_HANDLE: return invalidFile;
    case ERROR_DIR_NOT_EMPTY: return removeCurrentDir;
    case ERROR_WRITE_FAULT:
    case ERROR_READ_FAULT: return hardIO;
    case ERROR_SHARING_VIOLATION: return sharingViolation;
    case ERROR_DISK_FULL: return diskFull;
    case ERROR_HANDLE_EOF: return endOfFile;
    case ERROR_NEGATIVE_SEEK: return badSeek;
    default: return genericException;
    }
}

void CFileException::ThrowOsError(LONG lOsError, LPCTSTR lpszFileName)
{
    if (lOsError != 0) AfxThrowFileException(OsErrorToException(lOsError), lOsError, lpszFileName);
}

// Raising out of memory must not need memory: one shared, never-deleted instance.
void AFXAPI AfxThrowMemoryException()
{
    static CMemoryException s_memoryException(FALSE);
    throw static_cast<CMemoryException *>(&s_memoryException);
}

void AFXAPI AfxThrowInvalidArgException()
{
    static CInvalidArgException s_invalidArgException(FALSE);
    throw static_cast<CInvalidArgException *>(&s_invalidArgException);
}

void AFXAPI AfxThrowNotSupportedException()
{
    static CNotSupportedException s_notSupportedException(FALSE);
    throw static_cast<CNotSupportedException *>(&s_notSupportedException);
}

void AFXAPI AfxThrowUserException()
{
    static CUserException s_userException(FALSE);
    throw static_cast<CUserException *>(&s_userException);
}

void AFXAPI AfxThrowFileException(int cause, LONG lOsError, LPCTSTR lpszFileName)
{
    throw new CFileException(cause, lOsError, lpszFileName);
}
