// The tracer route: the record a window titled "Program trace window" receives, byte by byte.
#include "log/LogFile.h"
#include "log/LogTracer.h"
#include "log/log.h"

#include <gtest/gtest.h>

#include <string.h>

#include <string>
#include <vector>

namespace {

std::vector<std::vector<unsigned char>> g_received;
ULONG_PTR g_dwData = 99;

LRESULT CALLBACK TraceWindowProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    if (uMsg == WM_COPYDATA) {
        auto *cds = reinterpret_cast<COPYDATASTRUCT *>(lParam);
        const auto *bytes = static_cast<const unsigned char *>(cds->lpData);
        g_received.emplace_back(bytes, bytes + cds->cbData);
        g_dwData = cds->dwData;
        return 77;
    }
    return DefWindowProcW(hWnd, uMsg, wParam, lParam);
}

// A top-level trace window for the test's lifetime, and the tracer route switched on.
class TraceWindow
{
public:
    TraceWindow()
    {
        m_saved = LogConfig;
        InitLogConfig();
        LogConfig.useTracer = true;
        WNDCLASSW wc = {};
        wc.lpfnWndProc = TraceWindowProc;
        wc.lpszClassName = TEXT("KeyholmTraceTestWindow");
        RegisterClassW(&wc);
        m_hWnd = CreateWindowExW(0, TEXT("KeyholmTraceTestWindow"), TEXT("Program trace window"), WS_OVERLAPPEDWINDOW,
                                 0, 0, 100, 100, NULL, NULL, NULL, NULL);
        g_received.clear();
    }
    ~TraceWindow()
    {
        if (m_hWnd)
            DestroyWindow(m_hWnd);
        LogConfig = m_saved;
    }
    HWND Handle() const { return m_hWnd; }

private:
    HWND m_hWnd;
    LogConfiguration m_saved;
};

DWORD ReadDword(const std::vector<unsigned char> &bytes, size_t at)
{
    return bytes[at] | (bytes[at + 1] << 8) | (bytes[at + 2] << 16) | (static_cast<DWORD>(bytes[at + 3]) << 24);
}

}  // namespace

TEST(LogTracer, RecordHoldsTagVersionAndTheLineCutAt1023Bytes)
{
    TraceWindow window;
    ASSERT_TRUE(window.Handle() != NULL);
    std::string message(2000, 'm');
    LogTrace(9, 4, "Tracer::Long", 5, "%s", message.c_str());
    LogTrace(9, 4, "Tracer::Short", 6, "100%% %s", "sure");
    ASSERT_EQ(2u, g_received.size());
    EXPECT_EQ(0u, g_dwData);
    for (const auto &record : g_received) {
        ASSERT_EQ(1032u, record.size());
        EXPECT_EQ(0, memcmp(record.data(), "CART", 4));
        EXPECT_EQ(0x54524143u, ReadDword(record, 0));
        EXPECT_EQ(1000u, ReadDword(record, 4));
        EXPECT_EQ(0, record[1031]);
    }
    std::string first(reinterpret_cast<const char *>(&g_received[0][8]));
    EXPECT_EQ(1023u, first.size());
    EXPECT_EQ(0u, first.find('['));
    EXPECT_NE(std::string::npos, first.find("[5|Tracer::Long|mmm"));
    std::string second(reinterpret_cast<const char *>(&g_received[1][8]));
    EXPECT_EQ("[6|Tracer::Short|100% sure]\r\n", second.substr(second.rfind('[')));
    for (size_t i = 8 + second.size(); i < 1032; ++i)
        ASSERT_EQ(0, g_received[1][i]) << "byte " << i;
}

TEST(LogTracer, FilterAppliesAndAMessageIsNotReadAsAFormatTwice)
{
    TraceWindow window;
    LogTrace(9, 3, "Tracer::Below", 1, "dropped");
    LogTrace(9, 4, "Tracer::Percent", 2, "%s", "%s%s%n%s");  // a finished message full of conversions
    ASSERT_EQ(1u, g_received.size());
    std::string line(reinterpret_cast<const char *>(&g_received[0][8]));
    EXPECT_EQ("[2|Tracer::Percent|%s%s%n%s]\r\n", line.substr(line.rfind('[')));
}

TEST(LogTracer, NoWindowOrNoTracerDropsTheRecord)
{
    LogConfiguration saved = LogConfig;
    InitLogConfig();
    LogConfig.useTracer = true;
    EXPECT_EQ(0, theLogTracer.Trace(9, 4, "x", 1, "line"));  // nobody titled "Program trace window"
    LogConfig.tracer = NULL;
    LogTrace(9, 4, "Tracer::None", 1, "nowhere");
    LogConfig = saved;
}
