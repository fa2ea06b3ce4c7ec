// The identifiers of the control interfaces and of the web-browser control, emitted once.
// The base headers are already defined by the layer's own GUID file, so they are read first with
// declarations only and DEFINE_GUID is switched to definitions for the headers that follow.
#include <ole2.h>

#undef DEFINE_GUID
#define DEFINE_GUID(name, l, w1, w2, b1, b2, b3, b4, b5, b6, b7, b8) \
    EXTERN_C DECLSPEC_EXPORT const GUID name = {l, w1, w2, {b1, b2, b3, b4, b5, b6, b7, b8}}

#include <ocidl.h>
#include <docobj.h>
#include <mshtmhst.h>
#include <exdisp.h>
