// The web-browser control's window: paints the page as wrapped text on white, links in blue and
// underlined; a click on a link navigates, a right click asks the host's UI handler.
// The page is painted from its top; there is no scrolling.
#include "browser/control.h"

namespace win32 {
namespace browser {

namespace {

const WCHAR view_class[] = u"WebBrowserView";
const int margin = 8;
const size_t max_word = 64;
const COLORREF text_color = RGB(0, 0, 0);
const COLORREF link_color = RGB(0, 0, 238);

bool is_blank(char16_t c) { return c == u' ' || c == u'\u00A0'; }

}  // namespace

// Widths of characters in the DC's font, each measured once: text is measured and drawn a
// character at a time, and measuring a character is what costs.
int web_browser::char_widths::of(char16_t c)
{
    auto it = m_widths.find(c);
    if (it != m_widths.end())
        return it->second;
    SIZE size = {0, 0};
    GetTextExtentPoint32W(m_hDC, &c, 1, &size);
    m_widths.emplace(c, int(size.cx));
    return int(size.cx);
}

int web_browser::char_widths::of(const std::u16string &text)
{
    int width = 0;
    for (char16_t c : text)
        width += of(c);
    return width;
}

bool web_browser::create_view(HWND parent, const RECT &rc)
{
    static ATOM atom = [] {
        WNDCLASSW wc = {};
        wc.style = CS_DBLCLKS;
        wc.lpfnWndProc = view_proc;
        wc.hCursor = NULL;
        wc.lpszClassName = view_class;
        return RegisterClassW(&wc);
    }();
    (void)atom;
    m_hWnd = CreateWindowExW(0, view_class, u"", WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, rc.left, rc.top,
                             rc.right - rc.left, rc.bottom - rc.top, parent, NULL, NULL, NULL);
    if (!m_hWnd)
        return false;
    SetWindowLongPtrW(m_hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    return true;
}

void web_browser::destroy_view()
{
    if (!m_hWnd)
        return;
    HWND hwnd = m_hWnd;
    m_hWnd = NULL;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    DestroyWindow(hwnd);
}

LRESULT CALLBACK web_browser::view_proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    auto *self = reinterpret_cast<web_browser *>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self)
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    POINT pt = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    switch (msg) {
    case WM_ERASEBKGND:
        return 1;  // WM_PAINT fills the whole page
    case WM_PAINT:
        self->paint();
        return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
        self->on_mouse(msg, pt);
        return 0;
    case WM_RBUTTONUP:
        self->show_context_menu(pt, false);
        return 0;
    case WM_CONTEXTMENU:
        if (pt.x == -1 && pt.y == -1) {
            self->show_context_menu(POINT{0, 0}, true);
            return 0;
        }
        return 0;  // the mouse case was answered at WM_RBUTTONUP
    case WM_SIZE:
        InvalidateRect(hwnd, NULL, TRUE);
        return 0;
    default:
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
}

// Places the page's words left to right, wrapping at the window's width; stops below the bottom.
std::vector<web_browser::placed_text> web_browser::layout(HDC dc, char_widths &widths, int width, int height)
{
    std::vector<placed_text> placed;
    TEXTMETRICW tm = {};
    GetTextMetricsW(dc, &tm);
    int line = tm.tmHeight > 0 ? tm.tmHeight + 2 : 16;
    int x = margin, y = margin;
    int right = width - margin;

    auto place_page = [&](const html::page &page) {
        for (const html::run &r : page.runs) {
            if (r.break_before && x > margin) {
                x = margin;
                y += line;
            }
            size_t i = 0;
            while (i < r.text.size() && y < height) {
                // A word with the blanks that follow it. An overlong word is cut into pieces that
                // wrap like words, so the work stays bounded by what the window can show.
                size_t end = i;
                while (end < r.text.size() && !is_blank(r.text[end]) && end - i < max_word)
                    ++end;
                while (end < r.text.size() && is_blank(r.text[end]))
                    ++end;
                std::u16string word = r.text.substr(i, end - i);
                i = end;
                int cx = widths.of(word);
                if (x > margin && x + cx > right) {
                    x = margin;
                    y += line;
                    size_t lead = 0;
                    while (lead < word.size() && is_blank(word[lead]))
                        ++lead;
                    word.erase(0, lead);
                    cx = widths.of(word);
                }
                if (word.empty())
                    continue;
                placed_text p;
                p.rc = RECT{x, y, x + cx, y + line};
                p.text = std::move(word);
                p.href = r.href;
                placed.push_back(std::move(p));
                x += cx;
            }
        }
    };
    place_page(m_page);
    for (const html::page &frame : m_framePages) {
        x = margin;
        y += line;
        place_page(frame);
    }
    return placed;
}

void web_browser::paint()
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(m_hWnd, &ps);
    if (!dc)
        return;
    RECT client;
    GetClientRect(m_hWnd, &client);
    HBRUSH white = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    FillRect(dc, &client, white);

    HGDIOBJ font = GetStockObject(DEFAULT_GUI_FONT);
    HGDIOBJ old_font = font ? SelectObject(dc, font) : NULL;
    int old_mode = SetBkMode(dc, TRANSPARENT);
    COLORREF old_color = GetTextColor(dc);
    HBRUSH link_brush = CreateSolidBrush(link_color);
    char_widths widths(dc);
    std::vector<INT> dx;
    for (const placed_text &p : layout(dc, widths, client.right, client.bottom)) {
        bool link = !p.href.empty();
        SetTextColor(dc, link ? link_color : text_color);
        dx.clear();
        for (char16_t c : p.text)
            dx.push_back(widths.of(c));
        ExtTextOutW(dc, p.rc.left, p.rc.top, 0, NULL, p.text.data(), UINT(p.text.size()), dx.data());
        if (link && link_brush) {
            TEXTMETRICW tm = {};
            GetTextMetricsW(dc, &tm);
            int base = p.rc.top + (tm.tmAscent > 0 ? tm.tmAscent + 1 : (p.rc.bottom - p.rc.top) - 2);
            RECT underline = {p.rc.left, base, p.rc.right, base + 1};
            FillRect(dc, &underline, link_brush);
        }
    }
    if (link_brush)
        DeleteObject(link_brush);
    SetTextColor(dc, old_color);
    SetBkMode(dc, old_mode);
    if (old_font)
        SelectObject(dc, old_font);
    EndPaint(m_hWnd, &ps);
}

// The link shown at a client point, laid out as WM_PAINT lays it out; empty where there is none.
std::u16string web_browser::link_at(POINT pt)
{
    std::u16string href;
    if (HDC dc = GetDC(m_hWnd)) {
        RECT client;
        GetClientRect(m_hWnd, &client);
        HGDIOBJ font = GetStockObject(DEFAULT_GUI_FONT);
        HGDIOBJ old_font = font ? SelectObject(dc, font) : NULL;
        char_widths widths(dc);
        for (const placed_text &p : layout(dc, widths, client.right, client.bottom))
            if (!p.href.empty() && PtInRect(&p.rc, pt))
                href = p.href;
        if (old_font)
            SelectObject(dc, old_font);
        ReleaseDC(m_hWnd, dc);
    }
    return href;
}

void web_browser::on_mouse(UINT msg, POINT pt)
{
    std::u16string href = link_at(pt);
    if (msg == WM_LBUTTONDOWN) {
        m_bPressed = !href.empty();
        m_strPressedHref = href;
        return;
    }
    // A click is a press and a release on the same link.
    bool click = m_bPressed && href == m_strPressedHref;
    m_bPressed = false;
    m_strPressedHref.clear();
    if (click) {
        navigate_args args;
        args.url = href;
        navigate(args, true);
    }
}

// The host decides: S_OK from its handler means it has dealt with the menu. The control has no
// menu of its own to show otherwise.
void web_browser::show_context_menu(POINT client_pt, bool keyboard)
{
    if (!m_pClientSite || m_bClosed)
        return;
    shared_com<web_browser> self = keep_alive();  // outlives the handler, which goes first
    unique_com<IDocHostUIHandler> handler;
    if (FAILED(m_pClientSite->QueryInterface(IID_IDocHostUIHandler, reinterpret_cast<void **>(handler.put()))))
        return;
    POINT screen = client_pt;
    ClientToScreen(m_hWnd, &screen);
    DWORD kind = !keyboard && !link_at(client_pt).empty() ? CONTEXT_MENU_ANCHOR : CONTEXT_MENU_DEFAULT;
    handler->ShowContextMenu(kind, &screen, NULL, NULL);
}

}  // namespace browser
}  // namespace win32
