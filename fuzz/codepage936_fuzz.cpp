// Code page 936 both ways: the bytes as GBK text into UTF-16, and the bytes as UTF-16 (unpaired
// surrogates included) into GBK. A size query and the conversion must agree, and a buffer one
// short must fail without a write past its end. The first byte chooses the flags.
#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

void to_wide(UINT code_page, DWORD flags, const char *text, int length)
{
    int needed = MultiByteToWideChar(code_page, flags, text, length, NULL, 0);
    if (needed <= 0)
        return;
    std::vector<WCHAR> wide(static_cast<size_t>(needed));
    if (MultiByteToWideChar(code_page, flags, text, length, wide.data(), needed) != needed)
        std::abort();
    if (needed > 1) {
        std::vector<WCHAR> short_buffer(size_t(needed - 1));
        SetLastError(0);
        if (MultiByteToWideChar(code_page, flags, text, length, short_buffer.data(), needed - 1) != 0 ||
            GetLastError() != ERROR_INSUFFICIENT_BUFFER)
            std::abort();
    }
}

void to_bytes(UINT code_page, DWORD flags, const WCHAR *text, int length, bool want_default)
{
    BOOL used_default = FALSE;
    LPBOOL used = want_default ? &used_default : NULL;
    int needed = WideCharToMultiByte(code_page, flags, text, length, NULL, 0, NULL, used);
    if (needed <= 0)
        return;
    std::vector<char> bytes(static_cast<size_t>(needed));
    if (WideCharToMultiByte(code_page, flags, text, length, bytes.data(), needed, NULL, used) != needed)
        std::abort();
    if (needed > 1) {
        std::vector<char> short_buffer(size_t(needed - 1));
        SetLastError(0);
        if (WideCharToMultiByte(code_page, flags, text, length, short_buffer.data(), needed - 1, NULL, used) != 0 ||
            GetLastError() != ERROR_INSUFFICIENT_BUFFER)
            std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1 || size > (1 << 20))
        return 0;
    BYTE choice = data[0];
    const char *text = reinterpret_cast<const char *>(data + 1);
    int length = int(size - 1);
    DWORD mb_flags = (choice & 1) ? MB_ERR_INVALID_CHARS : 0;

    to_wide(936, mb_flags, text, length);
    // Null-terminated: the count takes the terminator in.
    std::vector<char> terminated(text, text + length);
    terminated.push_back(0);
    to_wide(936, mb_flags, terminated.data(), -1);

    std::vector<WCHAR> wide(size_t(length) / 2);
    for (size_t i = 0; i < wide.size(); ++i)
        wide[i] = WCHAR(BYTE(text[2 * i]) | BYTE(text[2 * i + 1]) << 8);
    DWORD wc_flags = (choice & 2) ? WC_NO_BEST_FIT_CHARS : 0;
    to_bytes(936, wc_flags, wide.data(), int(wide.size()), (choice & 4) != 0);
    wide.push_back(0);
    to_bytes(936, wc_flags, wide.data(), -1, (choice & 4) != 0);
    return 0;
}
