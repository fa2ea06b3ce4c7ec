// The owner template: one release on every way out, moves hand the handle on, last error kept.
#include <unique_handle.h>

#include <gtest/gtest.h>

namespace {

TEST(UniqueHandle, ClosesOnceAfterMovesAndKeepsTheLastError)
{
    HANDLE raw = CreateEventW(NULL, TRUE, FALSE, NULL);
    ASSERT_NE(nullptr, raw);
    {
        win32::unique_kernel_handle first(raw);
        win32::unique_kernel_handle second(std::move(first));
        EXPECT_FALSE(first);
        EXPECT_EQ(raw, second.get());
        SetLastError(0xdeadbeef);
    }
    EXPECT_EQ(0xdeadbeefu, GetLastError()) << "closing must not change the caller's last error";
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(SetEvent(raw)) << "the handle is closed once the last owner ends";
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
}

TEST(UniqueHandle, FileOwnerTreatsInvalidHandleValueAsEmpty)
{
    win32::unique_file_handle none(INVALID_HANDLE_VALUE);
    EXPECT_FALSE(none);
    win32::unique_file_handle empty;
    EXPECT_EQ(INVALID_HANDLE_VALUE, empty.get());
}

TEST(UniqueHandle, SelectedObjectGoesBackOut)
{
    win32::unique_hdc dc(CreateCompatibleDC(NULL));
    win32::unique_hbitmap bitmap(CreateBitmap(4, 4, 1, 32, NULL));
    ASSERT_TRUE(dc && bitmap);
    HGDIOBJ original = GetCurrentObject(dc.get(), OBJ_BITMAP);
    {
        win32::unique_select_object selected(dc.get(), bitmap.get());
        ASSERT_TRUE(selected);
        EXPECT_EQ(bitmap.get(), GetCurrentObject(dc.get(), OBJ_BITMAP));
    }
    EXPECT_EQ(original, GetCurrentObject(dc.get(), OBJ_BITMAP));
    EXPECT_TRUE(DeleteObject(bitmap.release())) << "a bitmap no longer selected can be deleted";
}

// Counts its references; gone when the count reaches zero.
class counted : public IUnknown
{
public:
    STDMETHODIMP QueryInterface(REFIID, void **ppv) override
    {
        *ppv = NULL;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
    STDMETHODIMP_(ULONG) Release() override { return --refs; }
    ULONG refs = 1;
};

TEST(UniqueHandle, ComOwnerReleasesItsOneReferenceOnce)
{
    counted object;
    {
        win32::unique_com<counted> first(&object);
        win32::unique_com<counted> second;
        second = std::move(first);
        EXPECT_EQ(1u, object.refs) << "a move hands the reference on without releasing it";
        object.AddRef();
        win32::unique_com<counted> third(&object);
        third.reset();
        EXPECT_EQ(1u, object.refs);
    }
    EXPECT_EQ(0u, object.refs);
}

TEST(UniqueHandle, VariantIsClearedAndCanBeHandedOn)
{
    win32::unique_variant var;
    V_VT(var.get()) = VT_BSTR;
    V_BSTR(var.get()) = SysAllocString(TEXT("text"));
    VARIANT handed = var.release();
    EXPECT_EQ(VT_EMPTY, V_VT(var.get()));
    EXPECT_EQ(VT_BSTR, V_VT(&handed));
    EXPECT_EQ(S_OK, VariantClear(&handed));
}

}  // namespace
