// Fonts and text: logical fonts resolved to FreeType faces from the system's font files (DejaVu
// Sans for Latin, WenQuanYi for CJK), measured and drawn anti-aliased onto any DC. Without the font
// files, text still measures in fixed cells and draws nothing.
#include "gdi/gdiobj.h"

#include "internal/owners.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include <ft2build.h>
#include FT_FREETYPE_H

using namespace win32;

namespace {

// A font at its pixel size with the faces that draw it.
struct font_metrics {
    int em = 16;          // character height in pixels
    int ascent = 13;
    int descent = 3;
    int ave_width = 7;
    int max_width = 16;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    bool mono = false;    // no anti-aliasing
};

// Glyphs are rendered whole before they are clipped: a font taller than any screen is drawn at
// this size rather than hold the caller for seconds on each glyph.
constexpr int max_em = 2048;

int em_from_height(LONG height)
{
    if (height < 0)
        return int(std::min<long long>(max_em, -static_cast<long long>(height)));
    if (height == 0)
        return 12;
    // A positive height is the cell height; fonts here put about 0.86 of the cell in the em.
    return std::max(1, std::min(max_em, int(std::lround(height * 0.86))));
}

bool wide_char(char16_t c)
{
    return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) || (c >= 0xAC00 && c <= 0xD7A3) ||
           (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
           (c >= 0xFFE0 && c <= 0xFFE6);
}

const char *const latin_files[] = {"/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"};
const char *const latin_bold_files[] = {"/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf",
                                        "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"};
const char *const cjk_files[] = {"/usr/share/fonts/truetype/wqy/wqy-microhei.ttc",
                                 "/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc",
                                 "/usr/share/fonts/opentype/noto/NotoSansCJK-Regular.ttc"};

struct engine {
    FT_Library lib = nullptr;
    bool tried = false;
    std::map<std::string, FT_Face> faces;  // by file; never closed while the process runs
};

engine &fonts()
{
    static engine &e = *new engine;  // faces stay open for the process's life
    if (!e.tried) {
        e.tried = true;
        if (FT_Init_FreeType(&e.lib) != 0)
            e.lib = nullptr;
    }
    return e;
}

FT_Face open_face(const char *const *files, size_t count)
{
    engine &e = fonts();
    if (!e.lib)
        return nullptr;
    for (size_t i = 0; i < count; ++i) {
        auto it = e.faces.find(files[i]);
        if (it != e.faces.end())
            return it->second;
        FT_Face face = nullptr;
        if (FT_New_Face(e.lib, files[i], 0, &face) == 0) {
            e.faces[files[i]] = face;
            return face;
        }
    }
    return nullptr;
}

struct faces {
    FT_Face primary = nullptr;
    FT_Face cjk = nullptr;
};

faces faces_for(const font_metrics &m)
{
    faces f;
    f.primary = m.bold ? open_face(latin_bold_files, 2) : open_face(latin_files, 1);
    f.cjk = open_face(cjk_files, sizeof cjk_files / sizeof cjk_files[0]);
    if (!f.primary)
        f.primary = f.cjk;
    return f;
}

// Sizes a face to em pixels. Setting a size runs the font's hinting set-up program again, which
// cost more than drawing the glyph, so a face already at that size is left as it is.
void size_face(FT_Face face, int em)
{
    const FT_Size_Metrics &sm = face->size->metrics;
    if (int(sm.x_ppem) == em && int(sm.y_ppem) == em)  // every size here is set by this call alone
        return;
    FT_Set_Pixel_Sizes(face, 0, FT_UInt(em));
}

// The face that has a glyph for c, sized; null when none has.
FT_Face face_for_char(const faces &f, const font_metrics &m, char16_t c, FT_UInt &glyph)
{
    for (FT_Face face : {f.primary, f.cjk}) {
        if (!face)
            continue;
        glyph = FT_Get_Char_Index(face, c);
        if (glyph || face == f.cjk || !f.cjk) {
            size_face(face, m.em);
            return face;
        }
    }
    return nullptr;
}

font_metrics metrics_of(const LOGFONTW &lf)
{
    font_metrics m;
    m.em = em_from_height(lf.lfHeight);
    m.bold = lf.lfWeight >= FW_SEMIBOLD;
    m.italic = lf.lfItalic != 0;
    m.underline = lf.lfUnderline != 0;
    m.strike = lf.lfStrikeOut != 0;
    m.mono = lf.lfQuality == NONANTIALIASED_QUALITY;
    m.ascent = (m.em * 13 + 7) / 16;
    m.descent = std::max(1, m.em - m.ascent + (m.em + 4) / 8);
    m.ave_width = std::max(1, m.em / 2);
    m.max_width = m.em;
    // Every text call asks, and the average width loads a glyph: the answers for a size and weight
    // are kept. Callers hold the GDI lock.
    struct face_metrics {
        int ascent, descent, max_width, ave_width;
    };
    static std::unordered_map<uint32_t, face_metrics> &known = *new std::unordered_map<uint32_t, face_metrics>;
    uint32_t key = uint32_t(m.em) << 1 | uint32_t(m.bold);
    auto found = known.find(key);
    if (found != known.end()) {
        m.ascent = found->second.ascent;
        m.descent = found->second.descent;
        m.max_width = found->second.max_width;
        m.ave_width = found->second.ave_width;
        return m;
    }
    faces f = faces_for(m);
    if (f.primary) {
        size_face(f.primary, m.em);
        const FT_Size_Metrics &sm = f.primary->size->metrics;
        m.ascent = int((sm.ascender + 63) >> 6);
        m.descent = int((-sm.descender + 63) >> 6);
        m.max_width = std::max(1, int((sm.max_advance + 63) >> 6));
        if (FT_Load_Char(f.primary, 'x', FT_LOAD_DEFAULT) == 0)
            m.ave_width = std::max(1, int((f.primary->glyph->advance.x + 32) >> 6));
    }
    if (known.size() >= 4096)
        known.clear();
    known.emplace(key, face_metrics{m.ascent, m.descent, m.max_width, m.ave_width});
    return m;
}

// Advance of one character in pixels.
int advance_of(const font_metrics &m, char16_t c)
{
    // Measuring loads the glyph, hinted, and every string is measured again at each paint: the
    // answers for a size, weight and character are kept. Callers hold the GDI lock.
    static std::unordered_map<uint64_t, int> &known = *new std::unordered_map<uint64_t, int>;
    uint64_t key = uint64_t(uint32_t(m.em)) << 17 | uint64_t(m.bold) << 16 | c;
    auto found = known.find(key);
    if (found != known.end())
        return found->second;
    int advance = wide_char(c) ? m.em : m.ave_width;
    faces f = faces_for(m);
    FT_UInt glyph = 0;
    if (FT_Face face = face_for_char(f, m, c, glyph)) {
        if (FT_Load_Glyph(face, glyph, FT_LOAD_DEFAULT) == 0)
            advance = int((face->glyph->advance.x + 32) >> 6) + (m.bold && face == f.cjk ? 1 : 0);
    }
    if (known.size() >= (1u << 16))
        known.clear();
    known.emplace(key, advance);
    return advance;
}

const LOGFONTW &selected_font(const dc_obj &dc)
{
    static const LOGFONTW fallback = {16, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, {u'S', u'y', u's', u't', u'e', u'm'}};
    auto *f = dc.st.font.as<font_obj>();
    return f ? f->log : fallback;
}

int extent_of(const font_metrics &m, LPCWSTR s, int n)
{
    int w = 0;
    for (int i = 0; i < n; ++i)
        w += advance_of(m, s[i]);
    return w;
}

// A rendered glyph: its coverage (0-255 a pixel, row by row) and where it sits from the pen.
struct glyph_image {
    int left = 0, top = 0, width = 0, rows = 0;
    bool doubled = false;  // the CJK face has no bold: it is struck twice
    std::vector<unsigned char> coverage;
};

// Rendering a glyph costs more than blending it, and a page draws the same few characters at every
// paint: the images for a size, weight, quality and character are kept. Callers hold the GDI lock.
const glyph_image *glyph_of(const font_metrics &m, char16_t c)
{
    static std::unordered_map<uint64_t, glyph_image> &known = *new std::unordered_map<uint64_t, glyph_image>;
    uint64_t key = uint64_t(uint32_t(m.em)) << 18 | uint64_t(m.mono) << 17 | uint64_t(m.bold) << 16 | c;
    auto found = known.find(key);
    if (found != known.end())
        return &found->second;
    faces f = faces_for(m);
    FT_UInt glyph = 0;
    FT_Face face = face_for_char(f, m, c, glyph);
    FT_Int32 flags = FT_LOAD_RENDER | (m.mono ? FT_LOAD_TARGET_MONO : FT_LOAD_TARGET_NORMAL);
    if (!face || FT_Load_Glyph(face, glyph, flags) != 0)
        return nullptr;
    const FT_GlyphSlot g = face->glyph;
    const FT_Bitmap &bm = g->bitmap;
    glyph_image image;
    image.left = g->bitmap_left;
    image.top = g->bitmap_top;
    image.width = int(bm.width);
    image.rows = int(bm.rows);
    image.doubled = m.bold && face == f.cjk;
    image.coverage.resize(size_t(image.width) * size_t(image.rows));
    for (int y = 0; y < image.rows; ++y) {
        const unsigned char *row = bm.buffer + y * bm.pitch;
        for (int x = 0; x < image.width; ++x)
            image.coverage[size_t(y) * size_t(image.width) + size_t(x)] =
                bm.pixel_mode == FT_PIXEL_MODE_MONO ? ((row[x >> 3] >> (7 - (x & 7))) & 1) * 255 : row[x];
    }
    if (known.size() >= 8192)
        known.clear();
    return &known.emplace(key, std::move(image)).first->second;
}

// Blends one glyph's coverage onto the target in `colour`, inside `limit` (surface coordinates).
void draw_glyph(const target &t, const font_metrics &m, char16_t c, int pen_x, int baseline, DWORD colour,
                const RECT &limit)
{
    const glyph_image *g = glyph_of(m, c);
    if (!g)
        return;
    int left = pen_x + g->left, top = baseline - g->top;
    int passes = g->doubled ? 2 : 1;
    for (int pass = 0; pass < passes; ++pass) {
        RECT box{left + pass, top, left + pass + g->width, top + g->rows};
        for (const RECT &clip : t.clip) {
            RECT r = intersect(intersect(box, clip), limit);
            for (int y = r.top; y < r.bottom; ++y) {
                const unsigned char *row = g->coverage.data() + size_t(y - top) * size_t(g->width);
                for (int x = r.left; x < r.right; ++x) {
                    unsigned cov = row[x - left - pass];
                    if (!cov)
                        continue;
                    if (cov == 255 || t.surf.bpp == 1) {
                        if (cov >= 128)
                            t.surf.set(x, y, colour);
                        continue;
                    }
                    DWORD d = t.surf.get(x, y), out = 0;
                    for (int shift = 0; shift < 24; shift += 8) {
                        unsigned a = (colour >> shift) & 0xFF, b = (d >> shift) & 0xFF;
                        out |= DWORD((a * cov + b * (255 - cov) + 127) / 255) << shift;
                    }
                    t.surf.set(x, y, out);
                }
            }
        }
    }
}

}  // namespace

HFONT WINAPI CreateFontIndirectW(const LOGFONTW *lplf)
{
    if (!lplf) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return NULL;
    }
    auto f = std::make_shared<font_obj>();
    f->type = OBJ_FONT;
    f->log = *lplf;
    f->log.lfFaceName[LF_FACESIZE - 1] = 0;
    return static_cast<HFONT>(alloc_gdi_handle(f));
}

HFONT WINAPI CreateFontW(int cHeight, int cWidth, int cEscapement, int cOrientation, int cWeight, DWORD bItalic,
                         DWORD bUnderline, DWORD bStrikeOut, DWORD iCharSet, DWORD iOutPrecision,
                         DWORD iClipPrecision, DWORD iQuality, DWORD iPitchAndFamily, LPCWSTR pszFaceName)
{
    LOGFONTW lf = {};
    lf.lfHeight = cHeight;
    lf.lfWidth = cWidth;
    lf.lfEscapement = cEscapement;
    lf.lfOrientation = cOrientation;
    lf.lfWeight = cWeight;
    lf.lfItalic = BYTE(bItalic);
    lf.lfUnderline = BYTE(bUnderline);
    lf.lfStrikeOut = BYTE(bStrikeOut);
    lf.lfCharSet = BYTE(iCharSet);
    lf.lfOutPrecision = BYTE(iOutPrecision);
    lf.lfClipPrecision = BYTE(iClipPrecision);
    lf.lfQuality = BYTE(iQuality);
    lf.lfPitchAndFamily = BYTE(iPitchAndFamily);
    for (int i = 0; pszFaceName && pszFaceName[i] && i < LF_FACESIZE - 1; ++i)
        lf.lfFaceName[i] = pszFaceName[i];
    return CreateFontIndirectW(&lf);
}

BOOL WINAPI GetTextMetricsW(HDC hdc, LPTEXTMETRICW lptm)
{
    gdi_lock lock(gdi_mutex());
    auto dc = dc_from_handle(hdc);
    if (!dc || !lptm)
        return FALSE;
    const LOGFONTW &lf = selected_font(*dc);
    font_metrics m = metrics_of(lf);
    TEXTMETRICW tm = {};
    tm.tmAscent = m.ascent;
    tm.tmDescent = m.descent;
    tm.tmHeight = m.ascent + m.descent;
    tm.tmInternalLeading = std::max(0, int(tm.tmHeight) - m.em);
    tm.tmExternalLeading = 0;
    tm.tmAveCharWidth = m.ave_width;
    tm.tmMaxCharWidth = m.max_width;
    tm.tmWeight = lf.lfWeight ? lf.lfWeight : FW_NORMAL;
    tm.tmDigitizedAspectX = tm.tmDigitizedAspectY = 96;
    tm.tmFirstChar = 0x20;
    tm.tmLastChar = 0xFFFC;
    tm.tmDefaultChar = 0x1F;
    tm.tmBreakChar = 0x20;
    tm.tmItalic = lf.lfItalic;
    tm.tmUnderlined = lf.lfUnderline;
    tm.tmStruckOut = lf.lfStrikeOut;
    // As on Windows, the low bit set means a variable-pitch font.
    tm.tmPitchAndFamily = TMPF_FIXED_PITCH | TMPF_VECTOR | TMPF_TRUETYPE | FF_SWISS;
    tm.tmCharSet = lf.lfCharSet == DEFAULT_CHARSET ? ANSI_CHARSET : lf.lfCharSet;
    *lptm = tm;
    return TRUE;
}

BOOL WINAPI GetTextExtentPoint32W(HDC hdc, LPCWSTR lpString, int c, LPSIZE psizl)
{
    gdi_lock lock(gdi_mutex());
    auto dc = dc_from_handle(hdc);
    if (!dc)
        return FALSE;
    if (c < 0 || !psizl || (c > 0 && !lpString)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    font_metrics m = metrics_of(selected_font(*dc));
    psizl->cx = extent_of(m, lpString, c);
    psizl->cy = m.ascent + m.descent;
    return TRUE;
}

int WINAPI GetTextFaceW(HDC hdc, int c, LPWSTR lpName)
{
    gdi_lock lock(gdi_mutex());
    auto dc = dc_from_handle(hdc);
    if (!dc)
        return 0;
    const LOGFONTW &lf = selected_font(*dc);
    int len = 0;
    while (len < LF_FACESIZE - 1 && lf.lfFaceName[len])
        ++len;
    if (!lpName)
        return len + 1;
    if (c <= 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    int n = std::min(len, c - 1);
    std::copy(lf.lfFaceName, lf.lfFaceName + n, lpName);
    lpName[n] = 0;
    return n + 1;
}

// Text starts with its cell's top-left corner at (x, y). An opaque rectangle is filled with the
// background colour first; in OPAQUE mode so is the text's cell.
BOOL WINAPI ExtTextOutW(HDC hdc, int x, int y, UINT options, const RECT *lprect, LPCWSTR lpString, UINT c,
                        const INT *lpDx)
{
    gdi_lock lock(gdi_mutex());
    auto dc = dc_from_handle(hdc);
    if (!dc)
        return FALSE;
    if (c > 0 && !lpString) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    target t;
    if (!resolve_target(*dc, t))
        return TRUE;
    DWORD bk = pixel_for_surface(t.surf, dc->st.bk_color);
    DWORD fg = pixel_for_surface(t.surf, dc->st.text_color);
    RECT limit{INT32_MIN / 2, INT32_MIN / 2, INT32_MAX / 2, INT32_MAX / 2};
    if (lprect) {
        RECT r{std::min(lprect->left, lprect->right), std::min(lprect->top, lprect->bottom),
               std::max(lprect->left, lprect->right), std::max(lprect->top, lprect->bottom)};
        OffsetRect(&r, t.offset.x, t.offset.y);
        if (options & ETO_OPAQUE)
            fill_solid_clipped(t, r, bk);
        if (options & ETO_CLIPPED)
            limit = r;
    }
    if (c == 0)
        return TRUE;
    font_metrics m = metrics_of(selected_font(*dc));
    int n = int(std::min<UINT>(c, 0x7FFFFFFF));
    int width = 0;
    for (int i = 0; i < n; ++i)
        width += lpDx ? lpDx[i] : advance_of(m, lpString[i]);
    int sx = x + t.offset.x, sy = y + t.offset.y;
    if (dc->st.bk_mode == OPAQUE) {
        RECT cell = intersect(RECT{sx, sy, sx + width, sy + m.ascent + m.descent}, limit);
        fill_solid_clipped(t, cell, bk);
    }
    int pen = sx, baseline = sy + m.ascent;
    for (int i = 0; i < n; ++i) {
        draw_glyph(t, m, lpString[i], pen, baseline, fg, limit);
        pen += lpDx ? lpDx[i] : advance_of(m, lpString[i]);
    }
    if (m.underline || m.strike) {
        int thick = std::max(1, m.em / 14);
        if (m.underline)
            fill_solid_clipped(t, intersect(RECT{sx, baseline + 1, pen, baseline + 1 + thick}, limit), fg);
        if (m.strike)
            fill_solid_clipped(t, intersect(RECT{sx, baseline - m.em / 3, pen, baseline - m.em / 3 + thick}, limit), fg);
    }
    return TRUE;
}

BOOL WINAPI TextOutW(HDC hdc, int x, int y, LPCWSTR lpString, int c)
{
    if (c < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return ExtTextOutW(hdc, x, y, 0, NULL, lpString, UINT(c), NULL);
}

namespace {

// One line of DrawTextW: its characters (prefix marks removed) and the index of the underlined one.
struct text_line {
    std::u16string text;
    int underline = -1;
};

text_line strip_prefix(const std::u16string &s, bool prefix)
{
    text_line out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (prefix && s[i] == u'&' && i + 1 < s.size()) {
            ++i;
            if (s[i] != u'&')
                out.underline = int(out.text.size());
        }
        out.text += s[i];
    }
    return out;
}

bool break_after(const std::u16string &s, size_t i)
{
    return s[i] == u' ' || s[i] == u'\t' || wide_char(s[i]) || (i + 1 < s.size() && wide_char(s[i + 1]));
}

// Splits a paragraph into lines no wider than `width`; a word wider than the line stands alone.
std::vector<std::u16string> wrap(const font_metrics &m, const std::u16string &para, int width)
{
    std::vector<std::u16string> lines;
    size_t start = 0;
    while (start < para.size()) {
        int w = 0;
        size_t last_break = std::u16string::npos, i = start;
        for (; i < para.size(); ++i) {
            w += advance_of(m, para[i]);
            if (w > width && i > start)
                break;
            if (break_after(para, i))
                last_break = i;
        }
        if (i >= para.size()) {
            lines.push_back(para.substr(start));
            break;
        }
        size_t end = last_break != std::u16string::npos ? last_break + 1 : i;
        if (last_break == std::u16string::npos) {
            // No break opportunity: the word runs on to its end.
            while (end < para.size() && !break_after(para, end))
                ++end;
            end = std::min(para.size(), end + 1);
        }
        std::u16string line = para.substr(start, end - start);
        while (!line.empty() && line.back() == u' ')
            line.pop_back();
        lines.push_back(line);
        start = end;
        while (start < para.size() && para[start] == u' ')
            ++start;
    }
    if (lines.empty())
        lines.emplace_back();
    return lines;
}

}  // namespace

int WINAPI DrawTextW(HDC hdc, LPCWSTR lpchText, int cchText, LPRECT lprc, UINT format)
{
    gdi_lock lock(gdi_mutex());
    auto dc = dc_from_handle(hdc);
    if (!dc || !lprc || (!lpchText && cchText != 0)) {
        if (dc)
            SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::u16string text;
    if (cchText < 0)
        for (int i = 0; lpchText[i]; ++i)
            text += lpchText[i];
    else
        text.assign(lpchText, lpchText + cchText);

    font_metrics m = metrics_of(selected_font(*dc));
    int line_height = m.ascent + m.descent;
    int width = lprc->right - lprc->left;
    bool prefix = !(format & DT_NOPREFIX);

    std::vector<text_line> lines;
    if (format & DT_SINGLELINE) {
        lines.push_back(strip_prefix(text, prefix));
    } else {
        size_t start = 0;
        while (start <= text.size()) {
            size_t nl = text.find_first_of(u"\r\n", start);
            std::u16string para = text.substr(start, nl == std::u16string::npos ? std::u16string::npos : nl - start);
            text_line stripped = strip_prefix(para, prefix);
            if (format & DT_WORDBREAK) {
                bool first = true;
                for (std::u16string &l : wrap(m, stripped.text, width)) {
                    text_line tl;
                    tl.text = l;
                    tl.underline = first ? stripped.underline : -1;
                    if (tl.underline >= int(l.size()))
                        tl.underline = -1;
                    first = false;
                    lines.push_back(tl);
                }
            } else {
                lines.push_back(stripped);
            }
            if (nl == std::u16string::npos)
                break;
            start = nl + ((text[nl] == u'\r' && nl + 1 < text.size() && text[nl + 1] == u'\n') ? 2 : 1);
        }
    }

    if ((format & DT_END_ELLIPSIS) && !(format & DT_CALCRECT)) {
        for (text_line &l : lines) {
            if (extent_of(m, l.text.data(), int(l.text.size())) <= width)
                continue;
            int dots = extent_of(m, u"...", 3);
            while (!l.text.empty() && extent_of(m, l.text.data(), int(l.text.size())) + dots > width)
                l.text.pop_back();
            l.text += u"...";
            if (l.underline >= int(l.text.size()) - 3)
                l.underline = -1;
        }
    }

    int total = line_height * int(lines.size());
    int max_width = 0;
    for (const text_line &l : lines)
        max_width = std::max(max_width, extent_of(m, l.text.data(), int(l.text.size())));

    if (format & DT_CALCRECT) {
        lprc->right = lprc->left + max_width;
        lprc->bottom = lprc->top + total;
        return total;
    }

    int y = lprc->top;
    if (format & DT_SINGLELINE) {
        if (format & DT_VCENTER)
            y = lprc->top + (lprc->bottom - lprc->top - line_height) / 2;
        else if (format & DT_BOTTOM)
            y = lprc->bottom - line_height;
    }
    UINT options = (format & DT_NOCLIP) ? 0 : ETO_CLIPPED;
    for (const text_line &l : lines) {
        int w = extent_of(m, l.text.data(), int(l.text.size()));
        int x = lprc->left;
        if (format & DT_CENTER)
            x = lprc->left + (width - w) / 2;
        else if (format & DT_RIGHT)
            x = lprc->right - w;
        ExtTextOutW(hdc, x, y, options, lprc, l.text.data(), UINT(l.text.size()), NULL);
        if (l.underline >= 0) {
            int ux = x + extent_of(m, l.text.data(), l.underline);
            int uw = advance_of(m, l.text[size_t(l.underline)]);
            unique_hbrush line(CreateSolidBrush(dc->st.text_color));
            RECT r{ux, y + m.ascent + 1, ux + uw, y + m.ascent + 2};
            RECT clipped;
            if (!(options & ETO_CLIPPED) || IntersectRect(&clipped, &r, lprc))
                FillRect(hdc, (options & ETO_CLIPPED) ? &clipped : &r, line.get());
        }
        y += line_height;
    }
    return (format & DT_SINGLELINE) && (format & (DT_VCENTER | DT_BOTTOM)) ? y - lprc->top : total;
}
