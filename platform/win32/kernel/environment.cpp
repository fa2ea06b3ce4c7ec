// Environment variables over the C library's environment. Windows matches names without regard to
// case; the first entry whose name matches so is the variable.
#include "internal/path.h"

#include <windows.h>

#include <mutex>
#include <stdlib.h>
#include <string.h>
#include <strings.h>

extern char **environ;

namespace {

std::mutex &environment_lock()
{
    static std::mutex lock;
    return lock;
}

// The entry named `name` (any case) as "NAME=value", or null. Lock held.
const char *find_entry(const std::string &name)
{
    for (char **e = environ; e && *e; ++e)
        if (strncasecmp(*e, name.c_str(), name.size()) == 0 && (*e)[name.size()] == '=')
            return *e;
    return nullptr;
}

bool valid_name(LPCWSTR name)
{
    if (!name || !*name)
        return false;
    for (LPCWSTR p = name; *p; ++p)
        if (*p == u'=')
            return false;
    return true;
}

}  // namespace

DWORD WINAPI GetEnvironmentVariableW(LPCWSTR lpName, LPWSTR lpBuffer, DWORD nSize)
{
    if (!valid_name(lpName)) {
        SetLastError(ERROR_ENVVAR_NOT_FOUND);
        return 0;
    }
    std::u16string value;
    {
        std::lock_guard<std::mutex> guard(environment_lock());
        std::string name = win32::utf8_from_utf16(lpName);
        const char *entry = find_entry(name);
        if (!entry) {
            SetLastError(ERROR_ENVVAR_NOT_FOUND);
            return 0;
        }
        value = win32::utf16_from_utf8(entry + name.size() + 1);
    }
    // Too small a buffer gets nothing and the size it needs, terminator included.
    if (!lpBuffer || nSize <= value.size())
        return DWORD(value.size() + 1);
    memcpy(lpBuffer, value.data(), value.size() * sizeof(WCHAR));
    lpBuffer[value.size()] = 0;
    if (value.empty())
        SetLastError(ERROR_SUCCESS);  // 0 then means an empty value, not a failure
    return DWORD(value.size());
}

BOOL WINAPI SetEnvironmentVariableW(LPCWSTR lpName, LPCWSTR lpValue)
{
    if (!valid_name(lpName)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::lock_guard<std::mutex> guard(environment_lock());
    std::string name = win32::utf8_from_utf16(lpName);
    // An existing variable keeps the spelling of its name.
    if (const char *entry = find_entry(name))
        name.assign(entry, name.size());
    if (!lpValue) {
        if (!find_entry(name)) {
            SetLastError(ERROR_ENVVAR_NOT_FOUND);
            return FALSE;
        }
        unsetenv(name.c_str());
        return TRUE;
    }
    if (setenv(name.c_str(), win32::utf8_from_utf16(lpValue).c_str(), 1) != 0) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
    return TRUE;
}
