// What Windows does with mutexes, events and waits, within a process and across processes.
#include "kernel_scratch.h"

namespace {

// Long enough for any healthy run; a wait that reaches it is a fault, reported as such.
const DWORD kBoundMs = 10000;

DWORD WINAPI TakeMutexAndReturn(LPVOID mutex)
{
    return WaitForSingleObject(static_cast<HANDLE>(mutex), kBoundMs);  // ends still owning it
}

DWORD WINAPI TryReleaseMutex(LPVOID mutex)
{
    SetLastError(0xdeadbeef);
    BOOL released = ReleaseMutex(static_cast<HANDLE>(mutex));
    return released ? 0 : GetLastError();
}

DWORD WINAPI WaitBriefly(LPVOID mutex) { return WaitForSingleObject(static_cast<HANDLE>(mutex), 0); }

DWORD WINAPI SetEventFromThread(LPVOID event) { return SetEvent(static_cast<HANDLE>(event)) ? 0 : 1; }

DWORD RunThread(LPTHREAD_START_ROUTINE routine, LPVOID parameter)
{
    HANDLE thread = CreateThread(NULL, 0, routine, parameter, 0, NULL);
    EXPECT_TRUE(thread != NULL);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, 60000));
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeThread(thread, &code));
    CloseHandle(thread);
    return code;
}

}  // namespace

TEST(KernelMutex, IsRecursiveForItsOwnerAndRefusesOtherThreads)
{
    HANDLE mutex = CreateMutexW(NULL, TRUE, NULL);
    ASSERT_TRUE(mutex != NULL);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(mutex, 0));  // second level of ownership
    EXPECT_EQ(WAIT_TIMEOUT, RunThread(WaitBriefly, mutex));
    EXPECT_EQ(static_cast<DWORD>(ERROR_NOT_OWNER), RunThread(TryReleaseMutex, mutex));
    EXPECT_TRUE(ReleaseMutex(mutex));
    EXPECT_EQ(WAIT_TIMEOUT, RunThread(WaitBriefly, mutex));  // still held once
    EXPECT_TRUE(ReleaseMutex(mutex));
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(ReleaseMutex(mutex));
    EXPECT_EQ(static_cast<DWORD>(ERROR_NOT_OWNER), GetLastError());
    EXPECT_EQ(WAIT_OBJECT_0, RunThread(WaitBriefly, mutex));  // that thread ended owning it...
    EXPECT_EQ(WAIT_ABANDONED, WaitForSingleObject(mutex, 0));  // ...so it comes to us abandoned
    EXPECT_TRUE(ReleaseMutex(mutex));
    EXPECT_TRUE(CloseHandle(mutex));
}

TEST(KernelMutex, ThreadThatEndsHoldingItAbandonsItToTheNextWaiter)
{
    HANDLE mutex = CreateMutexW(NULL, FALSE, UniqueName("abandon").c_str());
    ASSERT_TRUE(mutex != NULL);
    EXPECT_EQ(WAIT_OBJECT_0, RunThread(TakeMutexAndReturn, mutex));
    EXPECT_EQ(WAIT_ABANDONED, WaitForSingleObject(mutex, kBoundMs)) << "the ended owner did not abandon it";
    EXPECT_TRUE(ReleaseMutex(mutex));
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(mutex, 0));  // abandonment is reported once
    EXPECT_TRUE(ReleaseMutex(mutex));
    CloseHandle(mutex);
}

TEST(KernelMutex, NamedMutexIsOneObjectUntilItsLastHandleCloses)
{
    WideString name = UniqueName("named");
    SetLastError(0xdeadbeef);
    EXPECT_EQ(NULL, OpenMutexW(SYNCHRONIZE, FALSE, name.c_str()));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());

    SetLastError(0xdeadbeef);
    HANDLE first = CreateMutexW(NULL, TRUE, name.c_str());
    ASSERT_TRUE(first != NULL);
    EXPECT_NE(static_cast<DWORD>(ERROR_ALREADY_EXISTS), GetLastError());

    SetLastError(0xdeadbeef);
    HANDLE second = CreateMutexW(NULL, TRUE, name.c_str());  // initial ownership is ignored: it exists
    ASSERT_TRUE(second != NULL);
    EXPECT_EQ(static_cast<DWORD>(ERROR_ALREADY_EXISTS), GetLastError());
    HANDLE opened = OpenMutexW(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, name.c_str());
    ASSERT_TRUE(opened != NULL);

    EXPECT_EQ(WAIT_TIMEOUT, RunThread(WaitBriefly, opened));  // the first handle's owner holds it
    EXPECT_TRUE(ReleaseMutex(second));  // same object, same owner
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(ReleaseMutex(opened));
    EXPECT_EQ(static_cast<DWORD>(ERROR_NOT_OWNER), GetLastError());

    HANDLE otherCase = CreateMutexW(NULL, FALSE, Wide(Utf8(name) + "-X").c_str());
    ASSERT_TRUE(otherCase != NULL);
    CloseHandle(otherCase);

    CloseHandle(first);
    CloseHandle(second);
    CloseHandle(opened);
    SetLastError(0xdeadbeef);
    EXPECT_EQ(NULL, OpenMutexW(SYNCHRONIZE, FALSE, name.c_str()));  // gone with its last handle
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
}

TEST(KernelMutex, NamesAreCaseSensitive)
{
    WideString name = UniqueName("case");
    HANDLE lower = CreateMutexW(NULL, FALSE, name.c_str());
    std::string upper = Utf8(name);
    for (char &c : upper)
        c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    SetLastError(0xdeadbeef);
    HANDLE other = CreateMutexW(NULL, FALSE, Wide(upper).c_str());
    ASSERT_TRUE(lower && other);
    EXPECT_NE(static_cast<DWORD>(ERROR_ALREADY_EXISTS), GetLastError());
    CloseHandle(lower);
    CloseHandle(other);
}

TEST(KernelMutex, TimedWaitOnAHeldMutexTimesOut)
{
    HANDLE mutex = CreateMutexW(NULL, FALSE, UniqueName("timed").c_str());
    ASSERT_EQ(WAIT_OBJECT_0, RunThread(TakeMutexAndReturn, mutex));  // abandoned by then, so take it
    ASSERT_EQ(WAIT_ABANDONED, WaitForSingleObject(mutex, 0));
    struct Probe {
        static DWORD WINAPI Run(LPVOID m) { return WaitForSingleObject(static_cast<HANDLE>(m), 20); }
    };
    EXPECT_EQ(WAIT_TIMEOUT, RunThread(Probe::Run, mutex));
    ReleaseMutex(mutex);
    CloseHandle(mutex);
}

TEST(KernelMutex, ProcessThatDiesHoldingANamedMutexAbandonsIt)
{
    WideString name = UniqueName("process");
    HANDLE mutex = CreateMutexW(NULL, FALSE, name.c_str());
    ASSERT_TRUE(mutex != NULL);
    HANDLE child = StartChild(TEXT("hold ") + name);
    ASSERT_TRUE(child != NULL);
    EXPECT_EQ(0u, FinishChild(child));
    EXPECT_EQ(WAIT_ABANDONED, WaitForSingleObject(mutex, 60000));
    EXPECT_TRUE(ReleaseMutex(mutex));
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(mutex, 0));
    EXPECT_TRUE(ReleaseMutex(mutex));
    CloseHandle(mutex);
}

TEST(KernelMutex, ProcessesRacingToCreateANameMakeOneObject)
{
    ScratchDir scratch;
    WideString raced = UniqueName("raced"), start = UniqueName("start"), end = UniqueName("end");
    HANDLE startGate = CreateMutexW(NULL, TRUE, start.c_str());
    HANDLE endGate = CreateMutexW(NULL, TRUE, end.c_str());
    ASSERT_TRUE(startGate && endGate);
    const int kChildren = 6;
    HANDLE children[kChildren];
    WideString results[kChildren];
    for (int i = 0; i < kChildren; ++i) {
        results[i] = scratch.Path(Wide("result" + std::to_string(i)));
        children[i] = StartChild(TEXT("race ") + raced + TEXT(" ") + start + TEXT(" ") + end + TEXT(" \"") + results[i] + TEXT("\""));
        ASSERT_TRUE(children[i] != NULL);
    }
    ReleaseMutex(startGate);
    // Every child holds its handle until the end gate opens, so the object must be shared.
    for (DWORD waited = 0; waited < 60000; waited += 20) {
        int ready = 0;
        for (auto &r : results)
            ready += GetFileAttributesW(r.c_str()) != INVALID_FILE_ATTRIBUTES;
        if (ready == kChildren)
            break;
        ASSERT_EQ(WAIT_TIMEOUT, WaitForMultipleObjects(kChildren, children, FALSE, 20)) << "a child ended early";
    }
    ReleaseMutex(endGate);
    int created = 0;
    for (int i = 0; i < kChildren; ++i) {
        EXPECT_EQ(0u, FinishChild(children[i]));
        created += ReadWholeFile(results[i]) == "0";
    }
    EXPECT_EQ(1, created);
    CloseHandle(startGate);
    CloseHandle(endGate);
}

TEST(KernelEvent, ManualAndAutoResetEvents)
{
    HANDLE manual = CreateEventW(NULL, TRUE, FALSE, NULL);
    HANDLE automatic = CreateEventW(NULL, FALSE, TRUE, NULL);
    ASSERT_TRUE(manual && automatic);
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(manual, 0));
    EXPECT_EQ(0u, RunThread(SetEventFromThread, manual));
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(manual, kBoundMs)) << "the other thread's SetEvent was lost";
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(manual, 0));  // stays set
    EXPECT_TRUE(ResetEvent(manual));
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(manual, 0));

    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(automatic, 0));
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(automatic, 0));  // one waiter consumed it
    EXPECT_TRUE(SetEvent(automatic));
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(automatic, 10));
    CloseHandle(manual);
    CloseHandle(automatic);
}

TEST(KernelEvent, WaitForMultipleObjectsAnyAndAll)
{
    HANDLE events[2] = {CreateEventW(NULL, TRUE, FALSE, NULL), CreateEventW(NULL, FALSE, FALSE, NULL)};
    EXPECT_EQ(WAIT_TIMEOUT, WaitForMultipleObjects(2, events, FALSE, 0));
    SetEvent(events[1]);
    EXPECT_EQ(WAIT_OBJECT_0 + 1, WaitForMultipleObjects(2, events, FALSE, 0));
    SetEvent(events[1]);
    EXPECT_EQ(WAIT_TIMEOUT, WaitForMultipleObjects(2, events, TRUE, 0));
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(events[1], 0));  // a failed wait-all took nothing
    SetEvent(events[0]);
    SetEvent(events[1]);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForMultipleObjects(2, events, TRUE, kBoundMs)) << "both events are set";
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(events[1], 0));
    SetLastError(0xdeadbeef);
    EXPECT_EQ(WAIT_FAILED, WaitForMultipleObjects(0, events, FALSE, 0));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
    CloseHandle(events[0]);
    CloseHandle(events[1]);
}

TEST(KernelHandles, ClosedAndWrongHandlesFail)
{
    HANDLE event = CreateEventW(NULL, TRUE, TRUE, NULL);
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(ReleaseMutex(event));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
    EXPECT_TRUE(CloseHandle(event));
    SetLastError(0xdeadbeef);
    EXPECT_EQ(WAIT_FAILED, WaitForSingleObject(event, 0));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(CloseHandle(event));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(SetEvent(NULL));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
}

TEST(KernelMutex, NameGoesWithTheLastProcessThatHadItOpen)
{
    WideString name = UniqueName("orphan");
    HANDLE child = StartChild(TEXT("hold ") + name);  // ends without closing its handle
    ASSERT_TRUE(child != NULL);
    EXPECT_EQ(0u, FinishChild(child));
    SetLastError(0xdeadbeef);
    EXPECT_EQ(NULL, OpenMutexW(SYNCHRONIZE, FALSE, name.c_str()));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
    SetLastError(0xdeadbeef);
    HANDLE mutex = CreateMutexW(NULL, FALSE, name.c_str());
    ASSERT_TRUE(mutex != NULL);
    EXPECT_NE(static_cast<DWORD>(ERROR_ALREADY_EXISTS), GetLastError());
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(mutex, 0));  // a new object, not the abandoned one
    ReleaseMutex(mutex);
    CloseHandle(mutex);
}
