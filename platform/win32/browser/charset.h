// Decoding of page bytes: whole bodies, and bodies that arrive in pieces split anywhere.
#pragma once

#include <windows.h>

#include <string>

namespace win32 {
namespace html {

// Decodes a body piece by piece; a character cut between two pieces waits for the next one.
class stream_decoder
{
public:
    explicit stream_decoder(UINT code_page) : m_nCodePage(code_page) {}

    // The text of the complete characters so far; with last, of everything, an unfinished
    // character at the end becoming U+FFFD.
    std::u16string decode(const char *data, size_t size, bool last);

private:
    UINT m_nCodePage;
    std::string m_pending;
    bool m_bStarted = false;  // past a leading byte-order mark
};

}  // namespace html
}  // namespace win32
