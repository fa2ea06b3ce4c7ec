// An environment variable set for one test (and the children it starts) and removed after it.
#pragma once

#include <windows.h>

class ScopedVariable
{
public:
    ScopedVariable(const char16_t *name, const char16_t *value) : m_name(name)
    {
        SetEnvironmentVariableW(name, value);
    }
    ~ScopedVariable() { SetEnvironmentVariableW(m_name, NULL); }
    ScopedVariable(const ScopedVariable &) = delete;
    ScopedVariable &operator=(const ScopedVariable &) = delete;

private:
    const char16_t *m_name;
};
