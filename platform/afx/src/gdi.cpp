// CGdiObject and its kinds: attaching handles, deleting them, and temporary objects of the class
// that matches the handle's kind.
#include "afximpl.h"

IMPLEMENT_DYNCREATE(CGdiObject, CObject)
IMPLEMENT_DYNAMIC(CPen, CGdiObject)
IMPLEMENT_DYNAMIC(CBrush, CGdiObject)
IMPLEMENT_DYNAMIC(CFont, CGdiObject)
IMPLEMENT_DYNAMIC(CBitmap, CGdiObject)
IMPLEMENT_DYNAMIC(CPalette, CGdiObject)
IMPLEMENT_DYNAMIC(CRgn, CGdiObject)

namespace {

const CRuntimeClass *class_of_kind(DWORD type)
{
    switch (type) {
    case OBJ_PEN:
    case OBJ_EXTPEN: return RUNTIME_CLASS(CPen);
    case OBJ_BRUSH: return RUNTIME_CLASS(CBrush);
    case OBJ_FONT: return RUNTIME_CLASS(CFont);
    case OBJ_BITMAP: return RUNTIME_CLASS(CBitmap);
    case OBJ_PAL: return RUNTIME_CLASS(CPalette);
    case OBJ_REGION: return RUNTIME_CLASS(CRgn);
    default: return RUNTIME_CLASS(CGdiObject);
    }
}

CGdiObject *new_of_kind(DWORD type)
{
    switch (type) {
    case OBJ_PEN:
    case OBJ_EXTPEN: return new CPen;
    case OBJ_BRUSH: return new CBrush;
    case OBJ_FONT: return new CFont;
    case OBJ_BITMAP: return new CBitmap;
    case OBJ_PAL: return new CPalette;
    case OBJ_REGION: return new CRgn;
    default: return new CGdiObject;
    }
}

}  // namespace

CObject *afx_new_temp_gdi(void *h)
{
    CGdiObject *p = new_of_kind(::GetObjectType(h));
    p->m_hObject = h;
    return p;
}

void afx_delete_temp_gdi(CObject *p)
{
    CGdiObject *pObject = static_cast<CGdiObject *>(p);
    pObject->m_hObject = NULL;   // a temporary never deletes the handle it stands for
    delete pObject;
}

// A temporary made for a handle that has since been deleted and reused by another kind of object
// would be the wrong class: such an entry is dropped and made again.
CGdiObject *PASCAL CGdiObject::FromHandle(HGDIOBJ hObject)
{
    if (hObject == NULL) return NULL;
    CHandleMap *pMap = AfxGetModuleThreadState()->m_pmapHGDIOBJ;
    if (CObject *p = pMap->LookupTemporary(hObject)) {
        if (p->GetRuntimeClass() != class_of_kind(::GetObjectType(hObject))) pMap->RemoveHandle(hObject);
    }
    return static_cast<CGdiObject *>(pMap->FromHandle(hObject));
}

void PASCAL CGdiObject::DeleteTempMap() { AfxGetModuleThreadState()->m_pmapHGDIOBJ->DeleteTemp(); }

BOOL CGdiObject::Attach(HGDIOBJ hObject)
{
    return afx_attach_handle(&AFX_MODULE_THREAD_STATE::m_pmapHGDIOBJ, this, m_hObject, hObject);
}

HGDIOBJ CGdiObject::Detach() { return afx_detach_handle(&AFX_MODULE_THREAD_STATE::m_pmapHGDIOBJ, this, m_hObject); }

BOOL CGdiObject::DeleteObject()
{
    if (m_hObject == NULL) return FALSE;
    return ::DeleteObject(Detach());
}

BOOL CGdiObject::AttachNew(HGDIOBJ hObject)
{
    if (hObject == NULL) return FALSE;
    if (Attach(hObject)) return TRUE;
    ::DeleteObject(hObject);
    return FALSE;
}

BOOL CBrush::CreatePatternBrush(CBitmap *pBitmap) { return AttachNew(::CreatePatternBrush(static_cast<HBITMAP>(afx_handle_of(pBitmap)))); }

BOOL CBitmap::CreateCompatibleBitmap(CDC *pDC, int nWidth, int nHeight)
{
    return AttachNew(::CreateCompatibleBitmap(afx_hdc_of(pDC), nWidth, nHeight));
}
