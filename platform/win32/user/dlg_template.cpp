// Dialog templates in memory: the classic layout and the extended one (version 1, signature 0xFFFF),
// as resource compilers emit them for DIALOG and DIALOGEX.
#include "dialog_internal.h"

#include <cstring>

namespace win32 {

bool template_reader::skip(size_t n)
{
    if (n > size_ - pos_)
        return false;
    pos_ += n;
    return true;
}

bool template_reader::word(WORD &w)
{
    if (sizeof w > size_ - pos_)
        return false;
    memcpy(&w, base_ + pos_, sizeof w);
    pos_ += sizeof w;
    return true;
}

bool template_reader::dword(DWORD &d)
{
    if (sizeof d > size_ - pos_)
        return false;
    memcpy(&d, base_ + pos_, sizeof d);
    pos_ += sizeof d;
    return true;
}

// Alignment counts from the template's start: resources hold templates at DWORD-aligned addresses.
void template_reader::align(size_t to)
{
    size_t aligned = (pos_ + to - 1) / to * to;
    pos_ = aligned <= size_ ? aligned : size_;
}

bool template_reader::text(std::u16string &s)
{
    s.clear();
    for (WORD c;;) {
        if (!word(c))
            return false;
        if (!c)
            return true;
        s.push_back((char16_t)c);
    }
}

bool template_reader::name(template_name &n)
{
    n = template_name();
    WORD first;
    if (!word(first))
        return false;
    if (first == 0)
        return true;
    n.present = true;
    if (first == 0xFFFF) {
        n.ordinal = true;
        return word(n.id);
    }
    n.text.push_back((char16_t)first);
    std::u16string rest;
    if (!text(rest))
        return false;
    n.text += rest;
    return true;
}

bool template_reader::header(dialog_header &h)
{
    h = dialog_header();
    WORD version, signature;
    if (!word(version) || !word(signature))
        return false;
    h.extended = version == 1 && signature == 0xFFFF;
    if (h.extended) {
        if (!dword(h.help_id) || !dword(h.ex_style) || !dword(h.style))
            return false;
    } else {
        pos_ = 0;
        if (!dword(h.style) || !dword(h.ex_style))
            return false;
    }
    WORD x, y, cx, cy;
    if (!word(h.count) || !word(x) || !word(y) || !word(cx) || !word(cy))
        return false;
    h.x = (short)x;
    h.y = (short)y;
    h.cx = (short)cx;
    h.cy = (short)cy;
    if (!name(h.menu) || !name(h.cls) || !name(h.title))
        return false;
    if (h.style & DS_SETFONT) {
        h.has_font = true;
        if (!word(h.point_size))
            return false;
        if (h.extended) {
            WORD weight;
            if (!word(weight))
                return false;
            h.weight = weight;
            if (2 > size_ - pos_)
                return false;
            h.italic = base_[pos_];
            h.charset = base_[pos_ + 1];
            pos_ += 2;
        }
        if (!text(h.face))
            return false;
    }
    return true;
}

bool template_reader::item(bool extended, dialog_item &it)
{
    it = dialog_item();
    align(4);
    WORD x, y, cx, cy;
    if (extended) {
        if (!dword(it.help_id) || !dword(it.ex_style) || !dword(it.style))
            return false;
        if (!word(x) || !word(y) || !word(cx) || !word(cy) || !dword(it.id))
            return false;
    } else {
        WORD id;
        if (!dword(it.style) || !dword(it.ex_style) || !word(x) || !word(y) || !word(cx) || !word(cy) || !word(id))
            return false;
        it.id = id;
    }
    it.x = (short)x;
    it.y = (short)y;
    it.cx = (short)cx;
    it.cy = (short)cy;
    if (!name(it.cls) || !name(it.title))
        return false;
    // Creation data: a size word, then the bytes. The classic layout counts the size word in the
    // size, the extended one does not.
    const BYTE *at = base_ + pos_;
    WORD data_size;
    if (!word(data_size))
        return false;
    if (data_size) {
        it.data = at;
        size_t bytes = extended ? data_size : data_size >= 2 ? data_size - 2u : 0u;
        if (!skip(bytes))
            return false;
    }
    return true;
}

LPCWSTR item_class_name(const template_name &cls, std::u16string &storage)
{
    if (!cls.present)
        return u"";
    if (!cls.ordinal)
        return cls.text.c_str();
    switch (cls.id) {
    case 0x0080: return u"Button";
    case 0x0081: return u"Edit";
    case 0x0082: return u"Static";
    case 0x0083: return u"ListBox";
    case 0x0084: return u"ScrollBar";
    case 0x0085: return u"ComboBox";
    }
    storage.clear();
    return MAKEINTATOM(cls.id);
}

}  // namespace win32
