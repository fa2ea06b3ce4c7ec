// The state and the operations every plug-in shares: host pointers, flags and the reference count.
#pragma once

#include "plugin/HostContract.h"
#include "plugin/PluginContract.h"

// The module's row of a plug-in: it points at the plug-in without a reference of its own, so the
// plug-in empties it when it goes, whoever dropped the last reference.
class CPluginRowLink
{
public:
    void LinkRow(IPlugin** ppRow) { m_ppRow = ppRow; }

protected:
    CPluginRowLink() : m_ppRow(NULL) {}
    ~CPluginRowLink() {}

    // A row the module has since given to another plug-in is left alone.
    void UnlinkRow(IPlugin* pSelf)
    {
        if (m_ppRow && *m_ppRow == pSelf)
            *m_ppRow = NULL;
        m_ppRow = NULL;
    }

private:
    IPlugin** m_ppRow;
};

template <class TInterface>
class CPluginBase : public TInterface, public CPluginRowLink
{
public:
    CPluginBase() : m_pHost(NULL), m_pCore(NULL), m_bInit(FALSE), m_bStarted(FALSE), m_nRefCount(0) {}

    int GetType() override { return 2; }
    LPCWSTR GetDescription() override { return TEXT(""); }

    BOOL Init(IPluginHost* pHost) override
    {
        if (!pHost)
            return FALSE;
        m_pHost = pHost;
        m_bInit = TRUE;
        return TRUE;
    }

    void UnInit() override
    {
        m_pHost = NULL;
        m_pCore = NULL;
        m_bInit = FALSE;
    }

    BOOL IsInit() override { return m_bInit; }
    BOOL IsStarted() override { return m_bStarted; }

    LONG AddRef() override { return InterlockedIncrement(&m_nRefCount); }

    LONG Release() override
    {
        LONG nCount = InterlockedDecrement(&m_nRefCount);
        if (nCount == 0)
        {
            UnlinkRow(this);   // before the object comes apart, so nothing reaches it through the row
            delete this;
        }
        return nCount;
    }

    void OnLanguageChanged(DWORD) override {}

    // Follows the interface's operations, so it takes the position after them.
    virtual ~CPluginBase() {}

protected:
    IPluginHost* m_pHost;
    IHostCore* m_pCore;
    BOOL m_bInit;
    BOOL m_bStarted;
    volatile LONG m_nRefCount;
};
