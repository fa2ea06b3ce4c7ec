// The process's mapped ELF images seen as Windows modules: an HMODULE is the lowest address of
// its image, where the dynamic linker says the object starts.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace win32 {

struct mapped_module {
    HMODULE base;
    std::string path;  // absolute Linux path
};

// Every mapped image, the executable first.
std::vector<mapped_module> mapped_modules();

// The module whose image holds address, or NULL.
HMODULE module_from_address(const void *address);

// The executable's module.
HMODULE executable_module();

// True when module is the base of a mapped image.
bool is_module(HMODULE module);

// The absolute Linux path of a mapped module; empty when module is not one.
std::string module_unix_path(HMODULE module);

// A module name as the loader takes it: ".dll" appended when the file name has no extension,
// a trailing dot removed (it means "no extension").
std::u16string module_name_with_extension(LPCWSTR name);

// Whether two names are equal without regard to ASCII case.
bool module_names_equal(const std::u16string &a, const std::u16string &b);

// Delivers DLL_THREAD_DETACH for the calling thread now rather than when it ends; later calls and
// the thread's end deliver nothing more. For thread wrappers that signal the thread's end
// themselves: on Windows the notifications come before the thread's handle is signalled.
void loader_thread_detach();

// Drops every resource table registered for module; called when it is unmapped.
void drop_module_resources(HMODULE module);

}  // namespace win32
