// CMemFile: a file in a block of memory, either its own growing block or a caller's fixed one.
#include <afx.h>

#include <stdlib.h>
#include <string.h>

IMPLEMENT_DYNAMIC(CMemFile, CFile)

CMemFile::CMemFile(UINT nGrowBytes)
    : m_nGrowBytes(nGrowBytes), m_nPosition(0), m_nBufferSize(0), m_nFileSize(0), m_lpBuffer(NULL), m_bAutoDelete(TRUE)
{
}

CMemFile::CMemFile(BYTE *lpBuffer, UINT nBufferSize, UINT nGrowBytes)
    : m_nGrowBytes(0), m_nPosition(0), m_nBufferSize(0), m_nFileSize(0), m_lpBuffer(NULL), m_bAutoDelete(FALSE)
{
    Attach(lpBuffer, nBufferSize, nGrowBytes);
}

CMemFile::~CMemFile() { Close(); }

// A caller's block that may grow is taken as empty; one that may not is a file of its whole size.
void CMemFile::Attach(BYTE *lpBuffer, UINT nBufferSize, UINT nGrowBytes)
{
    if (m_lpBuffer != NULL || (lpBuffer == NULL && nBufferSize != 0)) AfxThrowInvalidArgException();
    m_nGrowBytes = nGrowBytes;
    m_nPosition = 0;
    m_nBufferSize = nBufferSize;
    m_nFileSize = nGrowBytes == 0 ? nBufferSize : 0;
    m_lpBuffer = lpBuffer;
    m_bAutoDelete = FALSE;
}

BYTE *CMemFile::Detach()
{
    BYTE *lpBuffer = m_lpBuffer;
    m_lpBuffer = NULL;
    m_nFileSize = m_nBufferSize = m_nPosition = 0;
    return lpBuffer;
}

UINT CMemFile::Read(void *lpBuf, UINT nCount)
{
    if (nCount == 0 || m_nPosition >= m_nFileSize) return 0;
    if (lpBuf == NULL) AfxThrowInvalidArgException();
    SIZE_T nLeft = m_nFileSize - m_nPosition;
    UINT nRead = nLeft < nCount ? UINT(nLeft) : nCount;
    memcpy(lpBuf, m_lpBuffer + m_nPosition, nRead);
    m_nPosition += nRead;
    return nRead;
}

void CMemFile::Write(const void *lpBuf, UINT nCount)
{
    if (nCount == 0) return;
    if (lpBuf == NULL) AfxThrowInvalidArgException();
    SIZE_T nEnd = m_nPosition + nCount;
    if (nEnd < m_nPosition) AfxThrowFileException(CFileException::badSeek);   // wraps around
    if (nEnd > m_nBufferSize) GrowFile(nEnd);
    // A position set past the end leaves a gap; it reads as zeros, not as old memory.
    if (m_nPosition > m_nFileSize) memset(m_lpBuffer + m_nFileSize, 0, m_nPosition - m_nFileSize);
    memcpy(m_lpBuffer + m_nPosition, lpBuf, nCount);
    m_nPosition = nEnd;
    if (m_nPosition > m_nFileSize) m_nFileSize = m_nPosition;
}

ULONGLONG CMemFile::Seek(LONGLONG lOff, UINT nFrom)
{
    LONGLONG base = 0;
    switch (nFrom) {
    case begin: base = 0; break;
    case current: base = LONGLONG(m_nPosition); break;
    case end: base = LONGLONG(m_nFileSize); break;
    default: AfxThrowInvalidArgException();
    }
    LONGLONG lNewPos = base + lOff;
    if (lNewPos < 0 || (lOff > 0 && lNewPos < base)) AfxThrowFileException(CFileException::badSeek);
    m_nPosition = SIZE_T(lNewPos);
    return ULONGLONG(lNewPos);
}

void CMemFile::SetLength(ULONGLONG dwNewLen)
{
    if (dwNewLen > ULONGLONG(SIZE_T(-1))) AfxThrowMemoryException();
    SIZE_T nNewLen = SIZE_T(dwNewLen);
    if (nNewLen > m_nBufferSize) GrowFile(nNewLen);
    if (nNewLen > m_nFileSize) memset(m_lpBuffer + m_nFileSize, 0, nNewLen - m_nFileSize);
    if (nNewLen < m_nPosition) m_nPosition = nNewLen;
    m_nFileSize = nNewLen;
}

// Rounds the block up to a multiple of the growth step. A block that cannot grow raises the
// memory exception, as running out of room is running out of memory for this file. A caller's
// block that may grow is copied into one of our own; the caller's memory is never reallocated.
void CMemFile::GrowFile(SIZE_T dwNewLen)
{
    if (dwNewLen <= m_nBufferSize) return;
    if (m_nGrowBytes == 0) AfxThrowMemoryException();
    SIZE_T nNewSize = (dwNewLen / m_nGrowBytes + 1) * m_nGrowBytes;
    if (nNewSize < dwNewLen) AfxThrowMemoryException();
    BYTE *lpNew = NULL;
    if (m_bAutoDelete || m_lpBuffer == NULL) {
        lpNew = static_cast<BYTE *>(::realloc(m_bAutoDelete ? m_lpBuffer : NULL, nNewSize));
    } else if ((lpNew = static_cast<BYTE *>(::malloc(nNewSize))) != NULL) {
        memcpy(lpNew, m_lpBuffer, m_nFileSize);
    }
    if (lpNew == NULL) AfxThrowMemoryException();
    m_lpBuffer = lpNew;
    m_nBufferSize = nNewSize;
    m_bAutoDelete = TRUE;
}

void CMemFile::Close()
{
    if (m_lpBuffer && m_bAutoDelete) ::free(m_lpBuffer);
    m_lpBuffer = NULL;
    m_nGrowBytes = 0;
    m_nPosition = m_nBufferSize = m_nFileSize = 0;
    m_bAutoDelete = TRUE;
}
