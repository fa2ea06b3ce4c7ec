// CFile over the system's file functions; failures raise CFileException* with the system's error.
#include <afx.h>

IMPLEMENT_DYNAMIC(CFile, CObject)

const HANDLE CFile::hFileNull = INVALID_HANDLE_VALUE;

CFile::CFile() : m_hFile(hFileNull), m_bCloseOnDelete(FALSE) {}

CFile::CFile(HANDLE hFile) : m_hFile(hFile), m_bCloseOnDelete(FALSE) {}

CFile::CFile(LPCTSTR lpszFileName, UINT nOpenFlags) : m_hFile(hFileNull), m_bCloseOnDelete(FALSE)
{
    CFileException e;
    if (!Open(lpszFileName, nOpenFlags, &e)) AfxThrowFileException(e.m_cause, e.m_lOsError, e.m_strFileName);
}

CFile::~CFile()
{
    if (m_hFile != hFileNull && m_bCloseOnDelete) Abort();
}

BOOL CFile::Open(LPCTSTR lpszFileName, UINT nOpenFlags, CFileException *pError)
{
    if (m_hFile != hFileNull || lpszFileName == NULL) {
        if (pError) {
            pError->m_cause = m_hFile != hFileNull ? CFileException::genericException : CFileException::badPath;
            pError->m_lOsError = ERROR_INVALID_PARAMETER;
            pError->m_strFileName = lpszFileName;
        }
        return FALSE;
    }
    DWORD access = 0;
    switch (nOpenFlags & 3) {
    case modeRead: access = GENERIC_READ; break;
    case modeWrite: access = GENERIC_WRITE; break;
    case modeReadWrite: access = GENERIC_READ | GENERIC_WRITE; break;
    default:
        if (pError) {
            pError->m_cause = CFileException::genericException;
            pError->m_lOsError = ERROR_INVALID_PARAMETER;
            pError->m_strFileName = lpszFileName;
        }
        return FALSE;
    }
    DWORD share = 0;
    switch (nOpenFlags & 0x70) {
    case shareDenyWrite: share = FILE_SHARE_READ; break;
    case shareDenyRead: share = FILE_SHARE_WRITE; break;
    case shareDenyNone: share = FILE_SHARE_READ | FILE_SHARE_WRITE; break;
    default: share = 0; break;   // compatibility mode and exclusive both deny sharing
    }
    DWORD disposition = OPEN_EXISTING;
    if (nOpenFlags & modeCreate) disposition = (nOpenFlags & modeNoTruncate) ? OPEN_ALWAYS : CREATE_ALWAYS;

    HANDLE h = ::CreateFileW(lpszFileName, access, share, NULL, disposition, FILE_ATTRIBUTE_NORMAL, NULL);
    if (h == INVALID_HANDLE_VALUE) {
        if (pError) {
            LONG error = LONG(::GetLastError());
            pError->m_lOsError = error;
            pError->m_cause = CFileException::OsErrorToException(error);
            pError->m_strFileName = lpszFileName;
        }
        return FALSE;
    }
    m_hFile = h;
    m_bCloseOnDelete = TRUE;
    m_strFileName = lpszFileName;
    return TRUE;
}

UINT CFile::Read(void *lpBuf, UINT nCount)
{
    if (nCount == 0) return 0;
    if (lpBuf == NULL) AfxThrowInvalidArgException();
    DWORD nRead = 0;
    if (!::ReadFile(m_hFile, lpBuf, nCount, &nRead, NULL)) CFileException::ThrowOsError(LONG(::GetLastError()), m_strFileName);
    return nRead;
}

void CFile::Write(const void *lpBuf, UINT nCount)
{
    if (nCount == 0) return;
    if (lpBuf == NULL) AfxThrowInvalidArgException();
    DWORD nWritten = 0;
    if (!::WriteFile(m_hFile, lpBuf, nCount, &nWritten, NULL)) CFileException::ThrowOsError(LONG(::GetLastError()), m_strFileName);
    if (nWritten != nCount) AfxThrowFileException(CFileException::diskFull, -1, m_strFileName);
}

ULONGLONG CFile::Seek(LONGLONG lOff, UINT nFrom)
{
    if (nFrom > end) AfxThrowInvalidArgException();
    LARGE_INTEGER distance, position;
    distance.QuadPart = lOff;
    if (!::SetFilePointerEx(m_hFile, distance, &position, nFrom)) CFileException::ThrowOsError(LONG(::GetLastError()), m_strFileName);
    return ULONGLONG(position.QuadPart);
}

ULONGLONG CFile::GetPosition() const
{
    LARGE_INTEGER zero, position;
    zero.QuadPart = 0;
    if (!::SetFilePointerEx(m_hFile, zero, &position, FILE_CURRENT)) CFileException::ThrowOsError(LONG(::GetLastError()), m_strFileName);
    return ULONGLONG(position.QuadPart);
}

ULONGLONG CFile::GetLength() const
{
    LARGE_INTEGER size;
    if (!::GetFileSizeEx(m_hFile, &size)) CFileException::ThrowOsError(LONG(::GetLastError()), m_strFileName);
    return ULONGLONG(size.QuadPart);
}

void CFile::SetLength(ULONGLONG dwNewLen)
{
    Seek(LONGLONG(dwNewLen), begin);
    if (!::SetEndOfFile(m_hFile)) CFileException::ThrowOsError(LONG(::GetLastError()), m_strFileName);
}

void CFile::Flush()
{
    if (m_hFile == hFileNull) return;
    if (!::FlushFileBuffers(m_hFile)) CFileException::ThrowOsError(LONG(::GetLastError()), m_strFileName);
}

void CFile::Close()
{
    BOOL bError = FALSE;
    DWORD error = 0;
    if (m_hFile != hFileNull && m_bCloseOnDelete && !::CloseHandle(m_hFile)) {
        bError = TRUE;
        error = ::GetLastError();
    }
    m_hFile = hFileNull;
    m_bCloseOnDelete = FALSE;
    CString name = m_strFileName;
    m_strFileName.Empty();
    if (bError) CFileException::ThrowOsError(LONG(error), name);
}

void CFile::Abort()
{
    if (m_hFile != hFileNull && m_bCloseOnDelete) ::CloseHandle(m_hFile);
    m_hFile = hFileNull;
    m_bCloseOnDelete = FALSE;
    m_strFileName.Empty();
}
