// CWinApp's settings: strings, integers and byte blocks in the application's settings file.
#include "afximpl.h"

UINT CWinApp::GetProfileInt(LPCTSTR lpszSection, LPCTSTR lpszEntry, int nDefault)
{
    if (m_pszProfileName == NULL) return UINT(nDefault);
    return ::GetPrivateProfileIntW(lpszSection, lpszEntry, nDefault, m_pszProfileName);
}

BOOL CWinApp::WriteProfileInt(LPCTSTR lpszSection, LPCTSTR lpszEntry, int nValue)
{
    CString text;
    text.Format(TEXT("%d"), nValue);
    return WriteProfileString(lpszSection, lpszEntry, text);
}

// Reads into a buffer that doubles until the value fits.
CString CWinApp::GetProfileString(LPCTSTR lpszSection, LPCTSTR lpszEntry, LPCTSTR lpszDefault)
{
    if (m_pszProfileName == NULL) return CString(lpszDefault);
    CString value;
    for (DWORD nSize = 256;; nSize *= 2) {
        DWORD n = ::GetPrivateProfileStringW(lpszSection, lpszEntry, lpszDefault, value.GetBuffer(int(nSize)), nSize,
                                             m_pszProfileName);
        value.ReleaseBuffer(int(n));
        if (n < nSize - 2 || nSize >= 0x4000000) return value;
    }
}

BOOL CWinApp::WriteProfileString(LPCTSTR lpszSection, LPCTSTR lpszEntry, LPCTSTR lpszValue)
{
    if (m_pszProfileName == NULL || lpszSection == NULL) return FALSE;
    return ::WritePrivateProfileStringW(lpszSection, lpszEntry, lpszValue, m_pszProfileName);
}

BOOL CWinApp::WriteProfileBinary(LPCTSTR lpszSection, LPCTSTR lpszEntry, LPBYTE pData, UINT nBytes)
{
    if (pData == NULL && nBytes != 0) return FALSE;
    static const WCHAR digits[] = TEXT("0123456789ABCDEF");
    CString text;
    LPTSTR p = text.GetBufferSetLength(int(nBytes * 2));
    for (UINT i = 0; i < nBytes; ++i) {
        p[2 * i] = digits[pData[i] >> 4];
        p[2 * i + 1] = digits[pData[i] & 15];
    }
    text.ReleaseBuffer(int(nBytes * 2));
    return WriteProfileString(lpszSection, lpszEntry, text);
}

static int hex_value(WCHAR c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

BOOL CWinApp::GetProfileBinary(LPCTSTR lpszSection, LPCTSTR lpszEntry, LPBYTE *ppData, UINT *pBytes)
{
    if (ppData == NULL || pBytes == NULL) return FALSE;
    *ppData = NULL;
    *pBytes = 0;
    CString text = GetProfileString(lpszSection, lpszEntry, NULL);
    int nLen = text.GetLength();
    if (nLen == 0 || nLen % 2 != 0) return FALSE;
    UINT nBytes = UINT(nLen / 2);
    LPBYTE pData = new BYTE[nBytes];
    for (UINT i = 0; i < nBytes; ++i) {
        int hi = hex_value(text[int(2 * i)]), lo = hex_value(text[int(2 * i + 1)]);
        if (hi < 0 || lo < 0) {
            delete[] pData;
            return FALSE;
        }
        pData[i] = BYTE(hi << 4 | lo);
    }
    *ppData = pData;
    *pBytes = nBytes;
    return TRUE;
}
