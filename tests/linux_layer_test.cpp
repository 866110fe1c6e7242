// The Linux layer's kernel and COM services behave as the Windows ones the tool was written against.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform.h"

namespace {

using namespace std::chrono_literals;

TEST(LinuxKernel, LastErrorBelongsToEachThread)
{
    SetLastError(ERROR_ACCESS_DENIED);
    std::thread([] {
        EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
        SetLastError(ERROR_FILE_NOT_FOUND);
    }).join();
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
}

TEST(LinuxKernel, InfiniteWaitBlocksUntilAnotherThreadSignals)
{
    HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ASSERT_NE(event, nullptr);
    std::atomic<bool> signalled{false};
    std::thread signaller([&] {
        std::this_thread::sleep_for(50ms);
        signalled = true;
        SetEvent(event);
    });
    EXPECT_EQ(WaitForSingleObject(event, INFINITE), WAIT_OBJECT_0);
    EXPECT_TRUE(signalled);
    signaller.join();
    EXPECT_TRUE(CloseHandle(event));
}

TEST(LinuxKernel, ManualResetStaysSignalledAndAutoResetWakesOnce)
{
    HANDLE manual = CreateEventW(nullptr, TRUE, TRUE, nullptr);
    EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_OBJECT_0);
    ResetEvent(manual);
    EXPECT_EQ(WaitForSingleObject(manual, 10), WAIT_TIMEOUT);

    HANDLE automatic = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    EXPECT_EQ(WaitForSingleObject(automatic, 0), WAIT_TIMEOUT);
    SetEvent(automatic);
    EXPECT_EQ(WaitForSingleObject(automatic, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(automatic, 0), WAIT_TIMEOUT);

    EXPECT_NE(manual, automatic);
    EXPECT_TRUE(CloseHandle(manual));
    EXPECT_TRUE(CloseHandle(automatic));
}

TEST(LinuxKernel, BadHandlesFailWithInvalidHandle)
{
    HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    EXPECT_TRUE(CloseHandle(event));
    for (HANDLE bad : {event, static_cast<HANDLE>(nullptr), INVALID_HANDLE_VALUE}) {
        SetLastError(ERROR_SUCCESS);
        EXPECT_FALSE(CloseHandle(bad));
        EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
        SetLastError(ERROR_SUCCESS);
        EXPECT_EQ(WaitForSingleObject(bad, INFINITE), WAIT_FAILED);
        EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    }
}

TEST(LinuxCom, ApartmentJoinsNestAndKeepTheirModel)
{
    std::thread([] {
        EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
        EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_FALSE);
        EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), RPC_E_CHANGED_MODE);
        CoUninitialize();
        CoUninitialize();
        // Balanced: the thread is outside any apartment again and may choose another model.
        EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
        CoUninitialize();
    }).join();
}

TEST(LinuxCom, ApartmentBelongsToEachThread)
{
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
    std::thread([] {
        void* object = nullptr;
        EXPECT_EQ(CoCreateInstance(CLSID_XpsOMObjectFactory, nullptr, CLSCTX_ALL, IID_IXpsOMObjectFactory, &object),
                  CO_E_NOTINITIALIZED);
        EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
        CoUninitialize();
    }).join();
    CoUninitialize();
}

TEST(LinuxCom, CreateInstanceNeedsAnApartmentAKnownClassAndAKnownInterface)
{
    void* object = &object;
    EXPECT_EQ(CoCreateInstance(CLSID_XpsOMObjectFactory, nullptr, CLSCTX_ALL, IID_IXpsOMObjectFactory, &object),
              CO_E_NOTINITIALIZED);
    EXPECT_EQ(object, nullptr);

    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
    EXPECT_EQ(CoCreateInstance(IID_IXpsOMPackage, nullptr, CLSCTX_ALL, IID_IUnknown, &object), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(CoCreateInstance(CLSID_XpsOMObjectFactory, nullptr, CLSCTX_ALL, IID_IXpsPrintJob, &object),
              E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);

    ASSERT_EQ(CoCreateInstance(CLSID_XpsOMObjectFactory, nullptr, CLSCTX_ALL, IID_IXpsOMObjectFactory, &object), S_OK);
    auto* factory = static_cast<IXpsOMObjectFactory*>(object);
    void* unknown = nullptr;
    ASSERT_EQ(factory->QueryInterface(IID_IUnknown, &unknown), S_OK);
    EXPECT_EQ(factory->Release(), 1u);
    EXPECT_EQ(static_cast<IUnknown*>(unknown)->Release(), 0u);
    CoUninitialize();
}

}  // namespace
