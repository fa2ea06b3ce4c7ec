// A file of this process's own in the temporary folder, rewritten with each input, for the readers
// that take a path.
#pragma once

#include <windows.h>

#include <cstdlib>
#include <string>

namespace fuzz {

class scratch_file {
public:
    explicit scratch_file(const char16_t *extension)
    {
        WCHAR folder[MAX_PATH];
        DWORD n = GetTempPathW(MAX_PATH, folder);
        if (n == 0 || n >= MAX_PATH)
            std::abort();
        path_.assign(folder, n);
        path_ += u"keyholm-fuzz-";
        for (char c : std::to_string(GetCurrentProcessId()))
            path_ += char16_t(c);
        path_ += extension;
    }
    ~scratch_file() { DeleteFileW(path_.c_str()); }
    scratch_file(const scratch_file &) = delete;
    scratch_file &operator=(const scratch_file &) = delete;

    // Replaces the file's content; a failure to write is the harness's fault, not the input's.
    void write(const void *data, size_t size)
    {
        HANDLE h = CreateFileW(path_.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
        if (h == INVALID_HANDLE_VALUE)
            std::abort();
        DWORD written = 0;
        BOOL ok = size == 0 || (WriteFile(h, data, DWORD(size), &written, NULL) && written == size);
        CloseHandle(h);
        if (!ok)
            std::abort();
    }

    LPCWSTR path() const { return path_.c_str(); }

private:
    std::u16string path_;
};

}  // namespace fuzz
