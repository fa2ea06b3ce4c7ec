// Drawing objects and device contexts of the class library: GDI object owners with handle maps,
// CDC with its drawing wrappers, and the window DCs (paint, client, whole window).
#pragma once

// Included by afxwin.h after CWnd.

// Owns one GDI object: deleted with the object unless detached. Temporary objects for foreign
// handles come from FromHandle and are of the class that matches the handle's kind.
class AFX_API CGdiObject : public CObject
{
    DECLARE_DYNCREATE(CGdiObject)
public:
    HGDIOBJ m_hObject;

    CGdiObject() : m_hObject(NULL) {}
    ~CGdiObject() override { DeleteObject(); }

    operator HGDIOBJ() const { return GetSafeHandle(); }
    HGDIOBJ GetSafeHandle() const { const CGdiObject *p = afx_opaque(this); return p ? p->m_hObject : NULL; }

    static CGdiObject *PASCAL FromHandle(HGDIOBJ hObject);
    static void PASCAL DeleteTempMap();
    BOOL Attach(HGDIOBJ hObject);
    HGDIOBJ Detach();
    BOOL DeleteObject();                                  // FALSE when there is nothing to delete

protected:
    // Attaches a handle just created for this object; one it cannot take is deleted, not leaked.
    BOOL AttachNew(HGDIOBJ hObject);

public:

    int GetObject(int nCount, LPVOID lpObject) const { return ::GetObjectW(m_hObject, nCount, lpObject); }
    UINT GetObjectType() const { return UINT(::GetObjectType(m_hObject)); }
    BOOL CreateStockObject(int nIndex) { return Attach(::GetStockObject(nIndex)); }
};

inline HGDIOBJ afx_handle_of(const CGdiObject *p) { return p ? p->m_hObject : NULL; }

class AFX_API CPen : public CGdiObject
{
    DECLARE_DYNAMIC(CPen)
public:
    CPen() = default;
    static CPen *PASCAL FromHandle(HPEN hPen) { return static_cast<CPen *>(CGdiObject::FromHandle(hPen)); }
    operator HPEN() const { return static_cast<HPEN>(GetSafeHandle()); }
    BOOL CreatePen(int nPenStyle, int nWidth, COLORREF crColor) { return AttachNew(::CreatePen(nPenStyle, nWidth, crColor)); }
    BOOL CreatePenIndirect(LPLOGPEN lpLogPen) { return AttachNew(::CreatePenIndirect(lpLogPen)); }
    int GetLogPen(LOGPEN *pLogPen) const { return GetObject(sizeof(LOGPEN), pLogPen); }
};

class AFX_API CBrush : public CGdiObject
{
    DECLARE_DYNAMIC(CBrush)
public:
    CBrush() = default;
    static CBrush *PASCAL FromHandle(HBRUSH hBrush) { return static_cast<CBrush *>(CGdiObject::FromHandle(hBrush)); }
    operator HBRUSH() const { return static_cast<HBRUSH>(GetSafeHandle()); }
    BOOL CreateSolidBrush(COLORREF crColor) { return AttachNew(::CreateSolidBrush(crColor)); }
    BOOL CreateBrushIndirect(const LOGBRUSH *lpLogBrush) { return AttachNew(::CreateBrushIndirect(lpLogBrush)); }
    BOOL CreatePatternBrush(class CBitmap *pBitmap);
    BOOL CreateSysColorBrush(int nIndex) { return AttachNew(::CreateSolidBrush(::GetSysColor(nIndex))); }
    int GetLogBrush(LOGBRUSH *pLogBrush) const { return GetObject(sizeof(LOGBRUSH), pLogBrush); }
};

class AFX_API CFont : public CGdiObject
{
    DECLARE_DYNAMIC(CFont)
public:
    CFont() = default;
    static CFont *PASCAL FromHandle(HFONT hFont) { return static_cast<CFont *>(CGdiObject::FromHandle(hFont)); }
    operator HFONT() const { return static_cast<HFONT>(GetSafeHandle()); }
    BOOL CreateFontIndirect(const LOGFONT *lpLogFont) { return AttachNew(::CreateFontIndirectW(lpLogFont)); }
    BOOL CreateFont(int nHeight, int nWidth, int nEscapement, int nOrientation, int nWeight, BYTE bItalic,
                    BYTE bUnderline, BYTE cStrikeOut, BYTE nCharSet, BYTE nOutPrecision, BYTE nClipPrecision,
                    BYTE nQuality, BYTE nPitchAndFamily, LPCTSTR lpszFacename)
    {
        return AttachNew(::CreateFontW(nHeight, nWidth, nEscapement, nOrientation, nWeight, bItalic, bUnderline,
                                    cStrikeOut, nCharSet, nOutPrecision, nClipPrecision, nQuality, nPitchAndFamily,
                                    lpszFacename));
    }
    int GetLogFont(LOGFONT *pLogFont) const { return GetObject(sizeof(LOGFONT), pLogFont); }
};

class AFX_API CBitmap : public CGdiObject
{
    DECLARE_DYNAMIC(CBitmap)
public:
    CBitmap() = default;
    static CBitmap *PASCAL FromHandle(HBITMAP hBitmap) { return static_cast<CBitmap *>(CGdiObject::FromHandle(hBitmap)); }
    operator HBITMAP() const { return static_cast<HBITMAP>(GetSafeHandle()); }
    BOOL CreateBitmap(int nWidth, int nHeight, UINT nPlanes, UINT nBitcount, const void *lpBits)
    {
        return AttachNew(::CreateBitmap(nWidth, nHeight, nPlanes, nBitcount, lpBits));
    }
    BOOL CreateBitmapIndirect(LPBITMAP lpBitmap) { return AttachNew(::CreateBitmapIndirect(lpBitmap)); }
    BOOL CreateCompatibleBitmap(class CDC *pDC, int nWidth, int nHeight);
    int GetBitmap(BITMAP *pBitMap) const { return GetObject(sizeof(BITMAP), pBitMap); }
    DWORD GetBitmapBits(DWORD dwCount, LPVOID lpBits) const { return DWORD(::GetBitmapBits(*this, LONG(dwCount), lpBits)); }
    DWORD SetBitmapBits(DWORD dwCount, const void *lpBits) { return DWORD(::SetBitmapBits(*this, dwCount, lpBits)); }
};

class AFX_API CPalette : public CGdiObject
{
    DECLARE_DYNAMIC(CPalette)
public:
    CPalette() = default;
    static CPalette *PASCAL FromHandle(HPALETTE hPalette) { return static_cast<CPalette *>(CGdiObject::FromHandle(hPalette)); }
    operator HPALETTE() const { return static_cast<HPALETTE>(GetSafeHandle()); }
    BOOL CreatePalette(LPLOGPALETTE lpLogPalette) { return AttachNew(::CreatePalette(lpLogPalette)); }
    UINT GetPaletteEntries(UINT nStartIndex, UINT nNumEntries, LPPALETTEENTRY lpPaletteColors) const
    {
        return ::GetPaletteEntries(*this, nStartIndex, nNumEntries, lpPaletteColors);
    }
    int GetEntryCount() const { return int(::GetPaletteEntries(*this, 0, 0, NULL)); }
};

class AFX_API CRgn : public CGdiObject
{
    DECLARE_DYNAMIC(CRgn)
public:
    CRgn() = default;
    static CRgn *PASCAL FromHandle(HRGN hRgn) { return static_cast<CRgn *>(CGdiObject::FromHandle(hRgn)); }
    operator HRGN() const { return static_cast<HRGN>(GetSafeHandle()); }
    BOOL CreateRectRgn(int x1, int y1, int x2, int y2) { return AttachNew(::CreateRectRgn(x1, y1, x2, y2)); }
    BOOL CreateRectRgnIndirect(LPCRECT lpRect) { return AttachNew(::CreateRectRgnIndirect(lpRect)); }
    int CombineRgn(const CRgn *pRgn1, const CRgn *pRgn2, int nCombineMode)
    {
        return ::CombineRgn(*this, static_cast<HRGN>(afx_handle_of(pRgn1)), static_cast<HRGN>(afx_handle_of(pRgn2)), nCombineMode);
    }
    int CopyRgn(const CRgn *pRgnSrc) { return ::CombineRgn(*this, static_cast<HRGN>(afx_handle_of(pRgnSrc)), NULL, RGN_COPY); }
    void SetRectRgn(int x1, int y1, int x2, int y2) { ::SetRectRgn(*this, x1, y1, x2, y2); }
    void SetRectRgn(LPCRECT lpRect) { ::SetRectRgn(*this, lpRect->left, lpRect->top, lpRect->right, lpRect->bottom); }
    int OffsetRgn(int x, int y) { return ::OffsetRgn(*this, x, y); }
    int GetRgnBox(LPRECT lpRect) const { return ::GetRgnBox(*this, lpRect); }
    BOOL PtInRegion(int x, int y) const { return ::PtInRegion(*this, x, y); }
    BOOL RectInRegion(LPCRECT lpRect) const { return ::RectInRegion(*this, lpRect); }
    BOOL EqualRgn(const CRgn *pRgn) const { return ::EqualRgn(*this, static_cast<HRGN>(afx_handle_of(pRgn))); }
};

// A device context: m_hDC receives output, m_hAttribDC answers queries (the same DC unless set
// apart). Deleting the object deletes a DC it holds; temporary objects never own theirs.
class AFX_API CDC : public CObject
{
    DECLARE_DYNCREATE(CDC)
public:
    HDC m_hDC;
    HDC m_hAttribDC;

    CDC() : m_hDC(NULL), m_hAttribDC(NULL) {}
    ~CDC() override;

    HDC GetSafeHdc() const { const CDC *p = afx_opaque(this); return p ? p->m_hDC : NULL; }
    operator HDC() const { return GetSafeHdc(); }
    static CDC *PASCAL FromHandle(HDC hDC);               // temporary, like CWnd::FromHandle
    static void PASCAL DeleteTempMap();
    BOOL Attach(HDC hDC);
    HDC Detach();
    virtual void SetAttribDC(HDC hDC) { m_hAttribDC = hDC; }
    virtual void SetOutputDC(HDC hDC) { m_hDC = hDC; }
    virtual void ReleaseAttribDC() { m_hAttribDC = NULL; }
    virtual void ReleaseOutputDC() { m_hDC = NULL; }

    BOOL CreateCompatibleDC(CDC *pDC);                    // a memory DC like pDC's (the screen's for NULL)
    BOOL DeleteDC();
    int SaveDC() { return ::SaveDC(m_hDC); }
    BOOL RestoreDC(int nSavedDC) { return ::RestoreDC(m_hDC, nSavedDC); }
    int GetDeviceCaps(int nIndex) const { return ::GetDeviceCaps(m_hAttribDC, nIndex); }
    CWnd *GetWindow() const;

    // Selection: each answers the previously selected object as a temporary of its kind.
    CPen *SelectObject(CPen *pPen) { return static_cast<CPen *>(SelectGdiObject(afx_handle_of(pPen))); }
    CBrush *SelectObject(CBrush *pBrush) { return static_cast<CBrush *>(SelectGdiObject(afx_handle_of(pBrush))); }
    CFont *SelectObject(CFont *pFont) { return static_cast<CFont *>(SelectGdiObject(afx_handle_of(pFont))); }
    CBitmap *SelectObject(CBitmap *pBitmap) { return static_cast<CBitmap *>(SelectGdiObject(afx_handle_of(pBitmap))); }
    CGdiObject *SelectObject(CGdiObject *pObject) { return SelectGdiObject(afx_handle_of(pObject)); }
    int SelectObject(CRgn *pRgn) { return int(reinterpret_cast<INT_PTR>(SelectObject(afx_handle_of(pRgn)))); }
    HGDIOBJ SelectObject(HGDIOBJ hObject);
    CGdiObject *SelectStockObject(int nIndex) { return SelectGdiObject(::GetStockObject(nIndex)); }
    CPalette *SelectPalette(CPalette *pPalette, BOOL bForceBackground);
    UINT RealizePalette() { return ::RealizePalette(m_hDC); }

    // Clipping.
    int SelectClipRgn(CRgn *pRgn);                        // NULL removes the clipping region
    int SelectClipRgn(CRgn *pRgn, int nMode);
    int GetClipBox(LPRECT lpRect) const { return ::GetClipBox(m_hDC, lpRect); }
    int IntersectClipRect(int x1, int y1, int x2, int y2);
    int IntersectClipRect(LPCRECT lpRect) { return IntersectClipRect(lpRect->left, lpRect->top, lpRect->right, lpRect->bottom); }
    int ExcludeClipRect(int x1, int y1, int x2, int y2);
    BOOL PtVisible(int x, int y) const { return ::PtVisible(m_hDC, x, y); }
    BOOL RectVisible(LPCRECT lpRect) const { return ::RectVisible(m_hDC, lpRect); }

    // Coordinates and attributes.
    CPoint SetViewportOrg(int x, int y);
    CPoint SetViewportOrg(POINT point) { return SetViewportOrg(point.x, point.y); }
    CPoint GetViewportOrg() const;
    CPoint OffsetViewportOrg(int nWidth, int nHeight);
    COLORREF SetBkColor(COLORREF crColor);
    COLORREF GetBkColor() const { return ::GetBkColor(m_hAttribDC); }
    int SetBkMode(int nBkMode);
    int GetBkMode() const { return ::GetBkMode(m_hAttribDC); }
    COLORREF SetTextColor(COLORREF crColor);
    COLORREF GetTextColor() const { return ::GetTextColor(m_hAttribDC); }
    int SetStretchBltMode(int nStretchMode);

    // Drawing.
    BOOL BitBlt(int x, int y, int nWidth, int nHeight, CDC *pSrcDC, int xSrc, int ySrc, DWORD dwRop)
    {
        return ::BitBlt(m_hDC, x, y, nWidth, nHeight, afx_hdc_of(pSrcDC), xSrc, ySrc, dwRop);
    }
    BOOL StretchBlt(int x, int y, int nWidth, int nHeight, CDC *pSrcDC, int xSrc, int ySrc, int nSrcWidth,
                    int nSrcHeight, DWORD dwRop)
    {
        return ::StretchBlt(m_hDC, x, y, nWidth, nHeight, afx_hdc_of(pSrcDC), xSrc, ySrc, nSrcWidth, nSrcHeight, dwRop);
    }
    BOOL PatBlt(int x, int y, int nWidth, int nHeight, DWORD dwRop) { return ::PatBlt(m_hDC, x, y, nWidth, nHeight, dwRop); }
    COLORREF GetPixel(int x, int y) const { return ::GetPixel(m_hDC, x, y); }
    COLORREF GetPixel(POINT point) const { return ::GetPixel(m_hDC, point.x, point.y); }
    COLORREF SetPixel(int x, int y, COLORREF crColor) { return ::SetPixel(m_hDC, x, y, crColor); }
    COLORREF SetPixel(POINT point, COLORREF crColor) { return ::SetPixel(m_hDC, point.x, point.y, crColor); }
    CPoint MoveTo(int x, int y);
    BOOL LineTo(int x, int y) { return ::LineTo(m_hDC, x, y); }
    BOOL Rectangle(int x1, int y1, int x2, int y2) { return ::Rectangle(m_hDC, x1, y1, x2, y2); }
    BOOL Rectangle(LPCRECT lpRect) { return ::Rectangle(m_hDC, lpRect->left, lpRect->top, lpRect->right, lpRect->bottom); }
    void FillRect(LPCRECT lpRect, CBrush *pBrush) { ::FillRect(m_hDC, lpRect, static_cast<HBRUSH>(afx_handle_of(pBrush))); }
    void FrameRect(LPCRECT lpRect, CBrush *pBrush) { ::FrameRect(m_hDC, lpRect, static_cast<HBRUSH>(afx_handle_of(pBrush))); }
    BOOL FillRgn(CRgn *pRgn, CBrush *pBrush) { return ::FillRgn(m_hDC, static_cast<HRGN>(afx_handle_of(pRgn)), static_cast<HBRUSH>(afx_handle_of(pBrush))); }
    // Fills with the background colour set to crColor, which stays set afterwards.
    void FillSolidRect(LPCRECT lpRect, COLORREF crColor);
    void FillSolidRect(int x, int y, int cx, int cy, COLORREF crColor);
    void Draw3dRect(LPCRECT lpRect, COLORREF clrTopLeft, COLORREF clrBottomRight);
    void Draw3dRect(int x, int y, int cx, int cy, COLORREF clrTopLeft, COLORREF clrBottomRight);

    // Text.
    BOOL TextOut(int x, int y, LPCTSTR lpszString, int nCount) { return ::TextOutW(m_hDC, x, y, lpszString, nCount); }
    BOOL TextOut(int x, int y, const CString &str) { return TextOut(x, y, str.GetString(), str.GetLength()); }
    BOOL ExtTextOut(int x, int y, UINT nOptions, LPCRECT lpRect, LPCTSTR lpszString, UINT nCount, LPINT lpDxWidths)
    {
        return ::ExtTextOutW(m_hDC, x, y, nOptions, lpRect, lpszString, nCount, lpDxWidths);
    }
    int DrawText(LPCTSTR lpszString, int nCount, LPRECT lpRect, UINT nFormat) { return ::DrawTextW(m_hDC, lpszString, nCount, lpRect, nFormat); }
    int DrawText(const CString &str, LPRECT lpRect, UINT nFormat) { return DrawText(str.GetString(), str.GetLength(), lpRect, nFormat); }
    CSize GetTextExtent(LPCTSTR lpszString, int nCount) const;
    CSize GetTextExtent(const CString &str) const { return GetTextExtent(str.GetString(), str.GetLength()); }
    BOOL GetTextMetrics(LPTEXTMETRIC lpMetrics) const { return ::GetTextMetricsW(m_hAttribDC, lpMetrics); }

protected:
    CGdiObject *SelectGdiObject(HGDIOBJ hObject);
};

inline HDC afx_hdc_of(const CDC *p) { return p ? p->m_hDC : NULL; }

// BeginPaint in the constructor and EndPaint in the destructor, always paired.
class AFX_API CPaintDC : public CDC
{
    DECLARE_DYNAMIC(CPaintDC)
public:
    explicit CPaintDC(CWnd *pWnd);
    ~CPaintDC() override;
    PAINTSTRUCT m_ps;

protected:
    HWND m_hWnd;
};

// A window's client-area DC (GetDC), released with the object.
class AFX_API CClientDC : public CDC
{
    DECLARE_DYNAMIC(CClientDC)
public:
    explicit CClientDC(CWnd *pWnd);
    ~CClientDC() override;

protected:
    HWND m_hWnd;
};

// A DC of the whole window, frame included (GetWindowDC), released with the object.
class AFX_API CWindowDC : public CDC
{
    DECLARE_DYNAMIC(CWindowDC)
public:
    explicit CWindowDC(CWnd *pWnd);
    ~CWindowDC() override;

protected:
    HWND m_hWnd;
};
