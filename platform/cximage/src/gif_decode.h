// GIF decoding into whole composed frames with alpha, read from an open file handle.
#pragma once

#include <windows.h>

#include <vector>

namespace cximage {

struct decoded_frame {
    std::vector<BYTE> bits;  // BGRA, straight alpha, rows top to bottom, the logical screen's size
    DWORD delay = 0;         // hundredths of a second
};

struct decoded_gif {
    DWORD width = 0;
    DWORD height = 0;
    long frame_count = 0;  // frames complete before the end or the first damage
    std::vector<decoded_frame> frames;  // the kept ones, in file order
};

// The largest picture accepted, in pixels, and the most bytes of frames one decode may keep.
constexpr unsigned long long max_pixels = 1ull << 24;
constexpr unsigned long long max_kept_bytes = 1ull << 28;

// Decodes the file from its current position, keeping every frame (keep_all) or only frame number
// keep (none when there is no such frame). FALSE when the file is not a GIF, holds no complete
// frame, or is too large.
BOOL decode_gif(HANDLE file, bool keep_all, long keep, decoded_gif &out);

}  // namespace cximage
