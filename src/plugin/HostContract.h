// The interfaces the host implements and the library calls. Only the positions named here carry
// meaning for the library; the reserved ones are the host's own operations, which it fills with
// whatever it offers there.
#pragma once

#include <windows.h>
#include <afxstr.h>

#define HOST_RESERVED_SLOT(n) virtual void HostReserved##n() {}

// A service the host hands out by name, with one reference for the caller.
class IHostService
{
public:
    virtual LONG AddRef() = 0;                                            // 0
    virtual LONG Release() = 0;                                           // 1
};

// Service "UICore".
class IUICore : public IHostService
{
public:
    HOST_RESERVED_SLOT(2) HOST_RESERVED_SLOT(3) HOST_RESERVED_SLOT(4) HOST_RESERVED_SLOT(5)
    HOST_RESERVED_SLOT(6) HOST_RESERVED_SLOT(7) HOST_RESERVED_SLOT(8) HOST_RESERVED_SLOT(9)
    HOST_RESERVED_SLOT(10) HOST_RESERVED_SLOT(11) HOST_RESERVED_SLOT(12) HOST_RESERVED_SLOT(13)
    HOST_RESERVED_SLOT(14) HOST_RESERVED_SLOT(15) HOST_RESERVED_SLOT(16) HOST_RESERVED_SLOT(17)
    HOST_RESERVED_SLOT(18) HOST_RESERVED_SLOT(19) HOST_RESERVED_SLOT(20) HOST_RESERVED_SLOT(21)
    HOST_RESERVED_SLOT(22) HOST_RESERVED_SLOT(23) HOST_RESERVED_SLOT(24) HOST_RESERVED_SLOT(25)
    virtual DWORD GetLanguageId() = 0;                                    // 26
};

// Service "LoginService". Both strings are created empty by the caller and filled by the host,
// so both sides share the class library's string allocator.
class ILoginService : public IHostService
{
public:
    HOST_RESERVED_SLOT(2) HOST_RESERVED_SLOT(3) HOST_RESERVED_SLOT(4) HOST_RESERVED_SLOT(5)
    HOST_RESERVED_SLOT(6) HOST_RESERVED_SLOT(7) HOST_RESERVED_SLOT(8) HOST_RESERVED_SLOT(9)
    HOST_RESERVED_SLOT(10) HOST_RESERVED_SLOT(11) HOST_RESERVED_SLOT(12) HOST_RESERVED_SLOT(13)
    HOST_RESERVED_SLOT(14) HOST_RESERVED_SLOT(15) HOST_RESERVED_SLOT(16) HOST_RESERVED_SLOT(17)
    HOST_RESERVED_SLOT(18) HOST_RESERVED_SLOT(19)
    virtual LONG GetLoginInfo(CStringW* pstrUserName, CStringW* pstrOther) = 0;   // 20
};

// The host's core object.
class IHostCore
{
public:
    HOST_RESERVED_SLOT(0)
    virtual IHostService* GetService(LPCWSTR pszName) = 0;                // 1
    HOST_RESERVED_SLOT(2) HOST_RESERVED_SLOT(3) HOST_RESERVED_SLOT(4)
    virtual int GetTraceLevel() = 0;                                      // 5
};

// The host root handed to the module's Init and, through it, to each plug-in's Init.
class IPluginHost
{
public:
    HOST_RESERVED_SLOT(0) HOST_RESERVED_SLOT(1) HOST_RESERVED_SLOT(2) HOST_RESERVED_SLOT(3)
    HOST_RESERVED_SLOT(4) HOST_RESERVED_SLOT(5) HOST_RESERVED_SLOT(6) HOST_RESERVED_SLOT(7)
    HOST_RESERVED_SLOT(8) HOST_RESERVED_SLOT(9) HOST_RESERVED_SLOT(10) HOST_RESERVED_SLOT(11)
    HOST_RESERVED_SLOT(12) HOST_RESERVED_SLOT(13) HOST_RESERVED_SLOT(14) HOST_RESERVED_SLOT(15)
    HOST_RESERVED_SLOT(16) HOST_RESERVED_SLOT(17) HOST_RESERVED_SLOT(18) HOST_RESERVED_SLOT(19)
    HOST_RESERVED_SLOT(20) HOST_RESERVED_SLOT(21)
    virtual IHostCore* GetCore() = 0;                                     // 22
};

#undef HOST_RESERVED_SLOT

// Names of the services the library asks for.
#define HOST_SERVICE_UICORE TEXT("UICore")
#define HOST_SERVICE_LOGIN TEXT("LoginService")
