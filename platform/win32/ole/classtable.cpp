// The process's table of in-process COM classes and their ProgIDs.
#include "internal/com_server.h"

#include <mutex>
#include <string>
#include <vector>

namespace win32 {
namespace {

struct com_class {
    CLSID clsid;
    std::u16string progid;
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

WCHAR fold(WCHAR c) { return c >= u'a' && c <= u'z' ? WCHAR(c - u'a' + u'A') : c; }

bool same_progid(const std::u16string &a, LPCWSTR b)
{
    size_t i = 0;
    for (; i < a.size(); ++i)
        if (!b[i] || fold(a[i]) != fold(b[i]))
            return false;
    return b[i] == 0;
}

}  // namespace

void register_com_class(REFCLSID clsid, LPCWSTR progid, com_create_function create)
{
    class_table &t = table();
    std::lock_guard<std::mutex> hold(t.lock);
    for (com_class &c : t.classes)
        if (IsEqualGUID(c.clsid, clsid)) {
            c.progid = progid ? progid : u"";
            c.create = create;
            return;
        }
    t.classes.push_back({clsid, progid ? progid : u"", create});
}

com_create_function find_com_class(REFCLSID clsid)
{
    class_table &t = table();
    std::lock_guard<std::mutex> hold(t.lock);
    for (const com_class &c : t.classes)
        if (IsEqualGUID(c.clsid, clsid))
            return c.create;
    return nullptr;
}

bool find_com_progid(LPCWSTR progid, CLSID *clsid)
{
    class_table &t = table();
    std::lock_guard<std::mutex> hold(t.lock);
    for (const com_class &c : t.classes)
        if (!c.progid.empty() && same_progid(c.progid, progid)) {
            *clsid = c.clsid;
            return true;
        }
    return false;
}

}  // namespace win32
