// UTF-8 for the host's console, options and reports, through the system's code-page conversions.
#pragma once

#include <afxstr.h>

// The UTF-8 form of a wide text; empty for an empty text.
inline CStringA Utf8(const CStringW& strText)
{
    CStringA strUtf8;
    int cb = WideCharToMultiByte(CP_UTF8, 0, strText, strText.GetLength(), NULL, 0, NULL, NULL);
    if (cb > 0)
    {
        WideCharToMultiByte(CP_UTF8, 0, strText, strText.GetLength(), strUtf8.GetBuffer(cb), cb, NULL, NULL);
        strUtf8.ReleaseBuffer(cb);
    }
    return strUtf8;
}

// A text of nCodePage (UTF-8 unless told) as a wide text.
inline CStringW Wide(const char* psz, UINT nCodePage = CP_UTF8)
{
    CStringW strText;
    int cch = MultiByteToWideChar(nCodePage, 0, psz, -1, NULL, 0);
    if (cch > 1)
    {
        MultiByteToWideChar(nCodePage, 0, psz, -1, strText.GetBuffer(cch), cch);
        strText.ReleaseBuffer();
    }
    return strText;
}
