// Events of the web-browser control, as DWebBrowserEvents2 carries them: arguments laid out right
// to left, by-reference values the sinks may change, delivered on the object's thread only.
#include "browser/control.h"

namespace win32 {
namespace browser {

namespace {

VARIANT *text_variant(unique_variant &v, const std::u16string &text)
{
    V_VT(v.get()) = VT_BSTR;
    V_BSTR(v.get()) = bstr_from(text);
    return v.get();
}

VARIANT *long_variant(unique_variant &v, LONG value)
{
    V_VT(v.get()) = VT_I4;
    V_I4(v.get()) = value;
    return v.get();
}

// Lays out the event's arguments: the dispatch first, then the values by reference, then the
// cancel flag, in the reverse order DISPPARAMS keeps them.
void lay_out(VARIANTARG *a, UINT count, IDispatch *disp, VARIANT *const *refs, VARIANT_BOOL *cancel)
{
    for (UINT i = 0; i < count; ++i)
        VariantInit(&a[i]);
    V_VT(&a[count - 1]) = VT_DISPATCH;
    V_DISPATCH(&a[count - 1]) = disp;
    for (UINT i = 0; i + 2 < count; ++i) {
        V_VT(&a[count - 2 - i]) = VT_VARIANT | VT_BYREF;
        V_VARIANTREF(&a[count - 2 - i]) = refs[i];
    }
    V_VT(&a[0]) = VT_BOOL | VT_BYREF;
    V_BOOLREF(&a[0]) = cancel;
}

}  // namespace

// Fires BeforeNavigate2; true when no sink cancelled. The post data is the request's own array,
// lent to the event: locked, no sink can free it, and what a sink puts in its place is cleared.
bool web_browser::fire_before_navigate(IDispatch *disp, const navigate_args &args)
{
    unique_variant url, flags, target, post, headers;
    SAFEARRAY *lent = args.post ? args.post->array() : NULL;
    if (lent) {
        V_VT(post.get()) = VT_ARRAY | VT_UI1;
        V_ARRAY(post.get()) = lent;
    }
    VARIANT *const refs[] = {text_variant(url, args.url), long_variant(flags, args.flags),
                             text_variant(target, args.target), post.get(), text_variant(headers, args.headers)};
    VARIANT_BOOL cancel = VARIANT_FALSE;
    VARIANTARG a[7];
    lay_out(a, 7, disp, refs, &cancel);
    fire(DISPID_BEFORENAVIGATE2, a, 7);
    if (lent && V_VT(post.get()) == (VT_ARRAY | VT_UI1) && V_ARRAY(post.get()) == lent)
        post.release();
    return cancel == VARIANT_FALSE;
}

// Calls every sink's Invoke. Events are delivered only on the object's thread, never after Close.
void web_browser::fire(DISPID id, VARIANTARG *args, UINT count)
{
    if (m_bClosed)
        return;
    shared_com<web_browser> self = keep_alive();
    DISPPARAMS params = {args, NULL, count, 0};
    for (shared_com<IDispatch> &sink : m_events.snapshot()) {
        if (!m_bClosed)
            sink->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, NULL, NULL, NULL);
        sink.reset();  // each sink is let go as soon as it has been told
    }
}

void web_browser::fire_url_event(DISPID id, IDispatch *disp, const std::u16string &url)
{
    unique_variant u;
    VARIANTARG a[2];
    VariantInit(&a[0]);
    VariantInit(&a[1]);
    V_VT(&a[1]) = VT_DISPATCH;
    V_DISPATCH(&a[1]) = disp;
    V_VT(&a[0]) = VT_VARIANT | VT_BYREF;
    V_VARIANTREF(&a[0]) = text_variant(u, url);
    fire(id, a, 2);
}

// Fires NavigateError; true when no sink cancelled (the error page is to be shown).
bool web_browser::fire_navigate_error(IDispatch *disp, const std::u16string &url, const std::u16string &frame,
                                      LONG code)
{
    unique_variant u, f, status;
    VARIANT *const refs[] = {text_variant(u, url), text_variant(f, frame), long_variant(status, code)};
    VARIANT_BOOL cancel = VARIANT_FALSE;
    VARIANTARG a[5];
    lay_out(a, 5, disp, refs, &cancel);
    fire(DISPID_NAVIGATEERROR, a, 5);
    return cancel == VARIANT_FALSE;
}

void web_browser::fire_progress(LONG progress, LONG maximum)
{
    VARIANTARG a[2];
    VariantInit(&a[0]);
    VariantInit(&a[1]);
    V_VT(&a[1]) = VT_I4;
    V_I4(&a[1]) = progress;
    V_VT(&a[0]) = VT_I4;
    V_I4(&a[0]) = maximum;
    fire(DISPID_PROGRESSCHANGE, a, 2);
}

void web_browser::fire_simple(DISPID id) { fire(id, NULL, 0); }

void web_browser::fire_text(DISPID id, const std::u16string &text)
{
    unique_variant t;
    fire(id, text_variant(t, text), 1);
}

}  // namespace browser
}  // namespace win32
