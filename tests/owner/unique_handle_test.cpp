// The owner template: one release on every way out, moves hand the handle on, last error kept.
#include <owner/unique_handle.h>

#include <gtest/gtest.h>

namespace {

TEST(UniqueHandle, ClosesOnceAfterMovesAndKeepsTheLastError)
{
    HANDLE raw = CreateEventW(NULL, TRUE, FALSE, NULL);
    ASSERT_NE(nullptr, raw);
    {
        owner::unique_kernel_handle first(raw);
        owner::unique_kernel_handle second(std::move(first));
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
    owner::unique_file_handle none(INVALID_HANDLE_VALUE);
    EXPECT_FALSE(none);
    owner::unique_file_handle empty;
    EXPECT_EQ(INVALID_HANDLE_VALUE, empty.get());
}

TEST(UniqueHandle, SelectedObjectGoesBackOut)
{
    owner::unique_hdc dc(CreateCompatibleDC(NULL));
    owner::unique_hbitmap bitmap(CreateBitmap(4, 4, 1, 32, NULL));
    ASSERT_TRUE(dc && bitmap);
    HGDIOBJ original = GetCurrentObject(dc.get(), OBJ_BITMAP);
    {
        owner::unique_select_object selected(dc.get(), bitmap.get());
        ASSERT_TRUE(selected);
        EXPECT_EQ(bitmap.get(), GetCurrentObject(dc.get(), OBJ_BITMAP));
    }
    EXPECT_EQ(original, GetCurrentObject(dc.get(), OBJ_BITMAP));
    {
        owner::unique_select_object outer(dc.get(), bitmap.get());
        owner::unique_select_object moved(std::move(outer));
        EXPECT_FALSE(outer);
        outer = std::move(moved);
        EXPECT_EQ(bitmap.get(), GetCurrentObject(dc.get(), OBJ_BITMAP)) << "a move restores nothing";
    }
    EXPECT_EQ(original, GetCurrentObject(dc.get(), OBJ_BITMAP)) << "the last holder restores once";
    EXPECT_TRUE(DeleteObject(bitmap.release())) << "a bitmap no longer selected can be deleted";
}

TEST(UniqueHandle, WindowDcMovesAndIsReleasedOnce)
{
    owner::unique_window_dc first(NULL);
    ASSERT_TRUE(first);
    HDC raw = first.get();
    owner::unique_window_dc second(std::move(first));
    EXPECT_FALSE(first);
    EXPECT_EQ(raw, second.get());
    first = std::move(second);
    EXPECT_EQ(raw, first.get());
    SetLastError(0xdeadbeef);
    first.reset();
    EXPECT_FALSE(first);
    EXPECT_EQ(0xdeadbeefu, GetLastError());
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
        owner::unique_com<counted> first(&object);
        owner::unique_com<counted> second;
        second = std::move(first);
        EXPECT_EQ(1u, object.refs) << "a move hands the reference on without releasing it";
        object.AddRef();
        owner::unique_com<counted> third(&object);
        third.reset();
        EXPECT_EQ(1u, object.refs);
    }
    EXPECT_EQ(0u, object.refs);
}

TEST(SharedCom, CopiesHoldAReferenceEachAndMovesHandTheirsOn)
{
    counted object;
    {
        owner::shared_com<counted> first(&object);
        EXPECT_EQ(2u, object.refs) << "made from a borrowed pointer, it takes a reference of its own";
        owner::shared_com<counted> copy(first);
        EXPECT_EQ(3u, object.refs);
        owner::shared_com<counted> moved(std::move(copy));
        EXPECT_FALSE(copy);
        EXPECT_EQ(3u, object.refs);
        moved = moved;
        EXPECT_EQ(3u, object.refs) << "assigning itself keeps its one reference";
        copy = moved;
        EXPECT_EQ(4u, object.refs);
        copy = owner::shared_com<counted>();
        EXPECT_EQ(3u, object.refs) << "assignment releases the reference held before";
        object.AddRef();
        copy.attach(&object);
        EXPECT_EQ(4u, object.refs) << "attach adopts the caller's reference";
        SetLastError(0xdeadbeef);
        copy.reset();
        EXPECT_EQ(0xdeadbeefu, GetLastError());
        *moved.put() = nullptr;
        EXPECT_EQ(2u, object.refs) << "put() releases what is held before handing out the slot";
    }
    EXPECT_EQ(1u, object.refs) << "only the reference the test made itself is left";
}

TEST(UniqueHandle, BlockIsFreedAndPointsIntoItsStructure)
{
    owner::unique_block<RECT> rect(static_cast<RECT *>(calloc(1, sizeof(RECT))));
    ASSERT_TRUE(rect);
    rect->right = 5;
    EXPECT_EQ(5, rect.get()->right);
    owner::unique_block<RECT> other(std::move(rect));
    EXPECT_FALSE(rect);
    EXPECT_EQ(5, other->right);
}

TEST(UniqueHandle, VariantMovesAndCanBeHandedOn)
{
    owner::unique_variant var;
    V_VT(var.get()) = VT_BSTR;
    V_BSTR(var.get()) = SysAllocString(TEXT("text"));
    owner::unique_variant moved(std::move(var));
    EXPECT_EQ(VT_EMPTY, V_VT(var.get()));
    var = std::move(moved);
    EXPECT_EQ(VT_EMPTY, V_VT(moved.get()));
    VARIANT handed = var.release();
    EXPECT_EQ(VT_EMPTY, V_VT(var.get()));
    ASSERT_EQ(VT_BSTR, V_VT(&handed));
    EXPECT_EQ(4u, SysStringLen(V_BSTR(&handed))) << "the string itself is handed on";
    EXPECT_EQ(S_OK, VariantClear(&handed));
}

}  // namespace
