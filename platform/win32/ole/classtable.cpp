// The process's table of in-process COM classes and their ProgIDs.
//
// The layer's own servers are modules beside libwin32.so, registered here by CLSID and ProgID as the
// registry names a class's server file on Windows. A server is loaded the first time one of its
// classes is asked for; its static initialisers then enter its creators with register_com_class, and
// it stays loaded for the life of the process.
#include "internal/com_server.h"

#include <exdisp.h>
#include <msxml.h>

#include <dlfcn.h>

#include <mutex>
#include <string>
#include <vector>

namespace win32 {
namespace {

struct com_class {
    CLSID clsid;
    com_create_function create;
};

struct class_table {
    std::mutex lock;
    std::vector<com_class> classes;
};

// Built on first use: servers register from their own static initialisers.
class_table &table()
{
    static class_table instance;
    return instance;
}

// A server module, loaded at most once.
struct server_module {
    const char *file;
    std::once_flag loaded;
};

server_module browser_server{"libwin32_browser.so", {}};
server_module xmldom_server{"libwin32_xmldom.so", {}};

struct registered_class {
    const CLSID &clsid;
    const char16_t *progid;
    server_module &server;
};

const registered_class registered_classes[] = {
    {CLSID_WebBrowser, u"Shell.Explorer.2", browser_server},
    {CLSID_WebBrowser_V1, u"Shell.Explorer", browser_server},
    {CLSID_DOMDocument, u"Microsoft.XMLDOM", xmldom_server},
};

WCHAR fold(WCHAR c) { return c >= u'a' && c <= u'z' ? WCHAR(c - u'a' + u'A') : c; }

bool same_progid(const char16_t *a, LPCWSTR b)
{
    size_t i = 0;
    for (; a[i]; ++i)
        if (!b[i] || fold(a[i]) != fold(b[i]))
            return false;
    return b[i] == 0;
}

// The folder this library was loaded from, with its final '/'.
std::string layer_folder()
{
    Dl_info info{};
    if (!dladdr(reinterpret_cast<void *>(&layer_folder), &info) || !info.dli_fname)
        return {};
    std::string path = info.dli_fname;
    return path.substr(0, path.rfind('/') + 1);
}

// Loads the server once. A server that cannot be loaded registers nothing, so its classes stay
// without a creator; the module is never unloaded, since its objects may outlive any caller.
void load_server(server_module &server)
{
    std::call_once(server.loaded, [&server] {
        dlopen((layer_folder() + server.file).c_str(), RTLD_NOW | RTLD_LOCAL);
    });
}

com_create_function registered_creator(REFCLSID clsid)
{
    class_table &t = table();
    std::lock_guard<std::mutex> hold(t.lock);
    for (const com_class &c : t.classes)
        if (IsEqualGUID(c.clsid, clsid))
            return c.create;
    return nullptr;
}

}  // namespace

void register_com_class(REFCLSID clsid, com_create_function create)
{
    class_table &t = table();
    std::lock_guard<std::mutex> hold(t.lock);
    for (com_class &c : t.classes)
        if (IsEqualGUID(c.clsid, clsid)) {
            c.create = create;
            return;
        }
    t.classes.push_back({clsid, create});
}

com_create_function find_com_class(REFCLSID clsid)
{
    if (com_create_function create = registered_creator(clsid))
        return create;
    for (const registered_class &c : registered_classes)
        if (IsEqualGUID(c.clsid, clsid)) {
            load_server(c.server);   // outside the table's lock: the server's initialisers take it
            return registered_creator(clsid);
        }
    return nullptr;
}

bool find_com_progid(LPCWSTR progid, CLSID *clsid)
{
    for (const registered_class &c : registered_classes)
        if (same_progid(c.progid, progid)) {
            *clsid = c.clsid;
            return true;
        }
    return false;
}

}  // namespace win32
