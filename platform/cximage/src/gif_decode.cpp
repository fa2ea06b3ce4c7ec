// GIF decoding over giflib's record reader: frames are composed on the logical screen with their
// colour maps, transparency, interlacing and disposal, so each kept frame is the picture as shown.
#include "gif_decode.h"

#include <gif_lib.h>
#include <owner/unique_handle.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace cximage {

namespace {

// Buffered reads through ReadFile for giflib's input callback.
struct file_source {
    HANDLE file;
    BYTE buffer[65536];
    DWORD pos = 0;
    DWORD len = 0;
};

int read_source(GifFileType *gif, GifByteType *dst, int wanted)
{
    auto *src = static_cast<file_source *>(gif->UserData);
    int done = 0;
    while (done < wanted) {
        if (src->pos == src->len) {
            DWORD got = 0;
            if (!ReadFile(src->file, src->buffer, sizeof src->buffer, &got, NULL) || got == 0)
                break;
            src->pos = 0;
            src->len = got;
        }
        DWORD n = std::min<DWORD>(src->len - src->pos, static_cast<DWORD>(wanted - done));
        memcpy(dst + done, src->buffer + src->pos, n);
        src->pos += n;
        done += static_cast<int>(n);
    }
    return done;
}

void close_gif(GifFileType *gif)
{
    int error = 0;
    DGifCloseFile(gif, &error);
}
using unique_gif = owner::unique_handle<GifFileType *, close_gif>;

// The rows of a frame in the order the file stores them: top to bottom, or in the four passes of
// an interlaced frame.
class row_order
{
public:
    row_order(bool interlaced, long height) : m_interlaced(interlaced), m_height(height) {}
    long next()
    {
        if (!m_interlaced)
            return m_row++;
        static const long start[] = {0, 4, 2, 1};
        static const long step[] = {8, 8, 4, 2};
        while (m_row >= m_height && m_pass < 3)
            m_row = start[++m_pass];
        long row = m_row;
        m_row += step[m_pass];
        return row;
    }

private:
    bool m_interlaced;
    long m_height;
    long m_row = 0;
    int m_pass = 0;
};

// The logical screen, composed frame by frame.
class composer
{
public:
    bool start(DWORD width, DWORD height)
    {
        if (width == 0 || height == 0 || static_cast<unsigned long long>(width) * height > max_pixels)
            return false;
        m_width = width;
        m_height = height;
        m_canvas.assign(static_cast<size_t>(width) * height * 4, 0);
        return true;
    }
    bool started() const { return !m_canvas.empty(); }
    size_t bytes() const { return m_canvas.size(); }
    const std::vector<BYTE> &canvas() const { return m_canvas; }

    // Clips the frame to the screen; remembers what disposal "restore to previous" must put back.
    void begin_frame(long left, long top, long width, long height, int disposal)
    {
        m_left = std::max(left, 0L);
        m_top = std::max(top, 0L);
        m_right = std::min(left + width, static_cast<long>(m_width));
        m_bottom = std::min(top + height, static_cast<long>(m_height));
        if (m_right < m_left)
            m_right = m_left;
        if (m_bottom < m_top)
            m_bottom = m_top;
        m_disposal = disposal;
        if (disposal == DISPOSE_PREVIOUS) {
            m_saved.clear();
            for (long y = m_top; y < m_bottom; ++y)
                m_saved.insert(m_saved.end(), pixel(m_left, y), pixel(m_right, y));
        }
    }

    // One row of colour indexes, row and x0 in the frame's own coordinates.
    void paint_row(long frame_left, long frame_top, long row, const GifPixelType *line, long count,
                   const ColorMapObject *map, int transparent)
    {
        long y = frame_top + row;
        if (y < m_top || y >= m_bottom)
            return;
        for (long x = m_left; x < m_right; ++x) {
            long i = x - frame_left;
            if (i < 0 || i >= count)
                continue;
            int index = line[i];
            if (index == transparent || index >= map->ColorCount)
                continue;  // out-of-map indexes paint nothing, as transparent ones don't
            const GifColorType &c = map->Colors[index];
            BYTE *p = pixel(x, y);
            p[0] = c.Blue;
            p[1] = c.Green;
            p[2] = c.Red;
            p[3] = 255;
        }
    }

    // Applied once the frame has been taken, i.e. before the next frame is drawn.
    void end_frame()
    {
        if (m_disposal == DISPOSE_BACKGROUND) {
            // The background is transparent: whatever lies under the picture shows through.
            for (long y = m_top; y < m_bottom; ++y)
                std::fill(pixel(m_left, y), pixel(m_right, y), 0);
        } else if (m_disposal == DISPOSE_PREVIOUS) {
            size_t row = static_cast<size_t>(m_right - m_left) * 4;
            for (long y = m_top; y < m_bottom; ++y)
                std::copy_n(m_saved.begin() + (y - m_top) * row, row, pixel(m_left, y));
        }
    }

private:
    BYTE *pixel(long x, long y) { return &m_canvas[(static_cast<size_t>(y) * m_width + x) * 4]; }

    DWORD m_width = 0;
    DWORD m_height = 0;
    std::vector<BYTE> m_canvas;
    std::vector<BYTE> m_saved;
    long m_left = 0, m_top = 0, m_right = 0, m_bottom = 0;
    int m_disposal = DISPOSAL_UNSPECIFIED;
};

enum class step { next, end, damaged, refused };

// Reads one extension; a graphics control block replaces the pending one.
step read_extension(GifFileType *gif, GraphicsControlBlock &gcb)
{
    int code = 0;
    GifByteType *block = NULL;
    if (DGifGetExtension(gif, &code, &block) == GIF_ERROR)
        return step::damaged;
    if (code == GRAPHICS_EXT_FUNC_CODE && block != NULL) {
        GraphicsControlBlock read;
        if (DGifExtensionToGCB(block[0], block + 1, &read) == GIF_OK)
            gcb = read;
    }
    while (block != NULL)
        if (DGifGetExtensionNext(gif, &block) == GIF_ERROR)
            return step::damaged;
    return step::next;
}

}  // namespace

BOOL decode_gif(HANDLE file, bool keep_all, long keep, decoded_gif &out)
{
    out = decoded_gif();
    auto source = std::make_unique<file_source>();
    source->file = file;
    int error = 0;
    unique_gif gif(DGifOpen(source.get(), read_source, &error));
    if (!gif)
        return FALSE;

    composer screen;
    GraphicsControlBlock gcb{DISPOSAL_UNSPECIFIED, false, 0, NO_TRANSPARENT_COLOR};
    std::vector<GifPixelType> line;
    unsigned long long kept_bytes = 0;
    step outcome = step::next;
    while (outcome == step::next) {
        GifRecordType record = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif.get(), &record) == GIF_ERROR) {
            outcome = step::damaged;
            break;
        }
        if (record == TERMINATE_RECORD_TYPE) {
            outcome = step::end;
        } else if (record == EXTENSION_RECORD_TYPE) {
            outcome = read_extension(gif.get(), gcb);
        } else if (record == IMAGE_DESC_RECORD_TYPE) {
            if (DGifGetImageDesc(gif.get()) == GIF_ERROR) {
                outcome = step::damaged;
                break;
            }
            const GifImageDesc &desc = gif->Image;
            long width = desc.Width, height = desc.Height;
            const ColorMapObject *map = desc.ColorMap ? desc.ColorMap : gif->SColorMap;
            if (width < 0 || height < 0 || map == NULL ||
                static_cast<unsigned long long>(width) * height > max_pixels) {
                outcome = step::damaged;
                break;
            }
            if (!screen.started()) {
                // Some writers leave the logical screen empty: the first frame gives the size.
                DWORD sw = gif->SWidth > 0 ? gif->SWidth : static_cast<DWORD>(desc.Left + width);
                DWORD sh = gif->SHeight > 0 ? gif->SHeight : static_cast<DWORD>(desc.Top + height);
                if (!screen.start(sw, sh)) {
                    outcome = step::refused;
                    break;
                }
                out.width = sw;
                out.height = sh;
            }
            if (width == 0 || height == 0) {
                // Nothing to paint, but the frame's data blocks still stand before the next record.
                int code_size = 0;
                GifByteType *block = NULL;
                bool drained = DGifGetCode(gif.get(), &code_size, &block) == GIF_OK;
                while (drained && block != NULL)
                    drained = DGifGetCodeNext(gif.get(), &block) == GIF_OK;
                if (!drained) {
                    outcome = step::damaged;
                    break;
                }
            }
            screen.begin_frame(desc.Left, desc.Top, width, height, gcb.DisposalMode);
            line.resize(std::max(width, 1L));
            row_order rows(desc.Interlace, height);
            bool complete = true;
            for (long r = 0; width > 0 && r < height && complete; ++r) {
                if (DGifGetLine(gif.get(), line.data(), width) == GIF_ERROR)
                    complete = false;
                else
                    screen.paint_row(desc.Left, desc.Top, rows.next(), line.data(), width, map, gcb.TransparentColor);
            }
            if (!complete) {
                outcome = step::damaged;  // a frame cut short is not shown
                break;
            }
            long index = out.frame_count++;
            if (keep_all || index == keep) {
                kept_bytes += screen.bytes();
                if (kept_bytes > max_kept_bytes) {
                    outcome = step::refused;
                    break;
                }
                decoded_frame frame;
                frame.bits = screen.canvas();
                frame.delay = gcb.DelayTime > 0 ? static_cast<DWORD>(gcb.DelayTime) : 0;
                out.frames.push_back(std::move(frame));
            }
            screen.end_frame();
            // A control block describes only the image that follows it.
            gcb = GraphicsControlBlock{DISPOSAL_UNSPECIFIED, false, 0, NO_TRANSPARENT_COLOR};
        } else {
            outcome = step::damaged;
        }
    }
    if (outcome == step::refused) {
        out = decoded_gif();
        return FALSE;
    }
    return out.frame_count > 0;
}

}  // namespace cximage
