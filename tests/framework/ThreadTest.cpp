#include "framework/Exception.h"
#include "framework/Handles.h"
#include "framework/MainThread.h"
#include "framework/Thread.h"
#include "support/WindowDriver.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <functional>
#include <limits>

using namespace hivelark;

namespace {

constexpr DWORD BOUND_MS = 5000;

// A thread whose body the test gives and whose destruction it can see.
class TestThread : public TThread {
public:
  explicit TestThread(std::function<void(TestThread&)> body, SIZE_T stackSize = 0)
      : TThread(true, stackSize), body_(std::move(body)) {}
  ~TestThread() override {
    if (destroyedOn != nullptr) {
      *destroyedOn = GetCurrentThreadId();
    }
  }
  bool IsTerminated() const { return Terminated(); }
  std::atomic<DWORD>* destroyedOn = nullptr;

protected:
  void Execute() override { body_(*this); }

private:
  std::function<void(TestThread&)> body_;
};

bool Signalled(HANDLE handle, DWORD timeoutMs = BOUND_MS) {
  return WaitForSingleObject(handle, timeoutMs) == WAIT_OBJECT_0;
}

// Its constructor is slow to finish; the body tells whether it saw the object complete.
class LateReadyThread : public TThread {
public:
  LateReadyThread() : TThread(false) {
    Sleep(100);
    ready_ = true;
  }
  std::atomic<bool> sawReady{false};

protected:
  void Execute() override { sawReady = ready_; }

private:
  bool ready_ = false;
};

TEST(Thread, RunsOnlyOnceResumedAndNeverOnAHalfBuiltObject) {
  UniqueHandle ran(CreateEventA(nullptr, TRUE, FALSE, nullptr));
  TestThread thread([&](TestThread&) { SetEvent(ran.get()); });
  EXPECT_TRUE(thread.Suspended());
  EXPECT_FALSE(Signalled(ran.get(), 200));
  thread.Resume();
  EXPECT_FALSE(thread.Suspended());
  EXPECT_TRUE(Signalled(ran.get()));
  thread.WaitFor();
  EXPECT_TRUE(thread.Finished());

  std::unique_ptr<LateReadyThread> running(StartThread<LateReadyThread>());
  running->WaitFor();
  EXPECT_TRUE(running->sawReady);
}

TEST(Thread, SuspendHaltsARunningThreadAndResumeLetsItGoOn) {
  std::atomic<long> steps{0};
  TestThread thread([&](TestThread& self) {
    while (!self.IsTerminated()) {
      ++steps;
    }
  });
  thread.Resume();
  while (steps == 0) {
    Sleep(1);
  }
  thread.Suspend();
  EXPECT_TRUE(thread.Suspended());
  // SuspendThread is asynchronous; reading the context returns once the thread has halted.
  CONTEXT context{};
  context.ContextFlags = CONTEXT_CONTROL;
  GetThreadContext(thread.Handle(), &context);
  const long halted = steps;
  Sleep(100);
  EXPECT_EQ(steps, halted);
  thread.Resume();
  Sleep(50);
  EXPECT_GT(steps, halted);
  thread.Terminate();
  thread.WaitFor();
}

TEST(Thread, TerminateOnlySetsTheFlag) {
  UniqueHandle entered(CreateEventA(nullptr, TRUE, FALSE, nullptr));
  UniqueHandle release(CreateEventA(nullptr, TRUE, FALSE, nullptr));
  std::atomic<bool> sawTerminated{false};
  TestThread thread([&](TestThread& self) {
    SetEvent(entered.get());
    WaitForSingleObject(release.get(), BOUND_MS);
    sawTerminated = self.IsTerminated();
  });
  thread.Resume();
  ASSERT_TRUE(Signalled(entered.get()));
  thread.Terminate();
  EXPECT_FALSE(Signalled(thread.Handle(), 200)) << "the body's wait was interrupted";
  SetEvent(release.get());
  thread.WaitFor();
  EXPECT_TRUE(sawTerminated);
}

TEST(Thread, FreeOnTerminateDestroysTheObjectOnItsOwnThread) {
  std::atomic<DWORD> destroyedOn{0};
  auto* thread = new TestThread([](TestThread&) {});
  thread->destroyedOn = &destroyedOn;
  thread->SetFreeOnTerminate(true);
  const DWORD threadId = thread->ThreadId();
  thread->Resume();
  const ULONGLONG deadline = GetTickCount64() + BOUND_MS;
  while (destroyedOn == 0 && GetTickCount64() < deadline) {
    Sleep(1);
  }
  EXPECT_EQ(destroyedOn, threadId);

  // Never resumed: its creator may still destroy it, and the body never runs.
  std::atomic<bool> ran{false};
  auto* unstarted = new TestThread([&](TestThread&) { ran = true; });
  unstarted->destroyedOn = &destroyedOn;
  unstarted->SetFreeOnTerminate(true);
  delete unstarted;
  EXPECT_EQ(destroyedOn, GetCurrentThreadId());
  EXPECT_FALSE(ran);
}

// Points this program's imports of the system function `name` at `replacement`; returns the
// previous target, or null when the program does not import it.
void* RedirectImport(const char* name, void* replacement) {
  auto* const base = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
  const auto* const headers = reinterpret_cast<const IMAGE_NT_HEADERS*>(
      base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
  const IMAGE_DATA_DIRECTORY& imports =
      headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  void* previous = nullptr;
  for (auto* library =
           reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
       library->Name != 0; ++library) {
    auto* names = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + library->OriginalFirstThunk);
    auto* slot = reinterpret_cast<IMAGE_THUNK_DATA*>(base + library->FirstThunk);
    for (; names->u1.AddressOfData != 0; ++names, ++slot) {
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal) ||
          std::strcmp(
              reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData)->Name,
              name) != 0) {
        continue;
      }
      DWORD protection = 0;
      VirtualProtect(&slot->u1.Function, sizeof(slot->u1.Function), PAGE_READWRITE, &protection);
      previous = reinterpret_cast<void*>(slot->u1.Function);
      slot->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
      VirtualProtect(&slot->u1.Function, sizeof(slot->u1.Function), protection, &protection);
    }
  }
  return previous;
}

// Ends at once and frees itself. Its memory is poisoned and kept when it is freed, so that a
// write to the object after its end shows.
class PoisonedThread : public TThread {
public:
  PoisonedThread() : TThread(false) { SetFreeOnTerminate(true); }
  static void operator delete(void* memory, std::size_t size) {
    std::memset(memory, POISON, size);
    freed = static_cast<unsigned char*>(memory);
    freedSize = size;
    SetEvent(freedEvent);
  }
  static constexpr unsigned char POISON = 0xDD;
  static inline HANDLE freedEvent = nullptr;
  static inline unsigned char* freed = nullptr;
  static inline std::size_t freedSize = 0;

protected:
  void Execute() override {}
};

using ResumeThreadFunction = DWORD(WINAPI*)(HANDLE);
ResumeThreadFunction systemResumeThread = nullptr;

// The system's ResumeThread, returning only once the thread has ended and freed itself: as late
// as a caller can come back from it.
DWORD WINAPI ResumeThreadAndAwaitItsEnd(HANDLE thread) {
  const DWORD previousCount = systemResumeThread(thread);
  WaitForSingleObject(PoisonedThread::freedEvent, BOUND_MS);
  return previousCount;
}

TEST(Thread, FreeOnTerminateObjectIsNeverTouchedOnceLetRun) {
  UniqueHandle freedEvent(CreateEventA(nullptr, TRUE, FALSE, nullptr));
  PoisonedThread::freedEvent = freedEvent.get();
  systemResumeThread = reinterpret_cast<ResumeThreadFunction>(
      RedirectImport("ResumeThread", reinterpret_cast<void*>(ResumeThreadAndAwaitItsEnd)));
  ASSERT_NE(systemResumeThread, nullptr);
  StartThread<PoisonedThread>();
  RedirectImport("ResumeThread", reinterpret_cast<void*>(systemResumeThread));
  ASSERT_TRUE(Signalled(freedEvent.get()));
  EXPECT_TRUE(std::all_of(PoisonedThread::freed, PoisonedThread::freed + PoisonedThread::freedSize,
                          [](unsigned char byte) { return byte == PoisonedThread::POISON; }))
      << "the object was written after it had freed itself";
  ::operator delete(PoisonedThread::freed);
}

TEST(Thread, OnTerminateRunsOnTheMainThreadAfterTheBody) {
  ASSERT_TRUE(IsMainThread());
  std::atomic<bool> bodyDone{false};
  DWORD handlerThread = 0;
  bool bodyDoneFirst = false;
  TThread* sender = nullptr;
  TestThread thread([&](TestThread&) { bodyDone = true; });
  thread.OnTerminate = [&](TThread* from) {
    handlerThread = GetCurrentThreadId();
    bodyDoneFirst = bodyDone;
    sender = from;
  };
  thread.Resume();
  // The handler is sent to this thread: WaitFor must let it in, or both would wait forever.
  thread.WaitFor();
  EXPECT_EQ(handlerThread, GetCurrentThreadId());
  EXPECT_TRUE(bodyDoneFirst);
  EXPECT_EQ(sender, &thread);
}

TEST(Thread, EscapedExceptionIsKeptSilently) {
  TestThread thread([](TestThread&) { throw Exception("lost in the body"); });
  thread.Resume();
  thread.WaitFor();
  ASSERT_TRUE(thread.FatalException());
  try {
    std::rethrow_exception(thread.FatalException());
  } catch (const Exception& error) {
    EXPECT_STREQ(error.what(), "lost in the body");
  }
  EXPECT_EQ(testing_support::FindTopLevelWindow(GetCurrentProcessId(), "#32770", ""), nullptr)
      << "a message box was shown";
}

DWORD WINAPI DoNothing(void*) {
  return 0;
}

TEST(Thread, ErrorTexts) {
  // The platform's own refusal of an absurd stack reservation gives the expected text.
  const SIZE_T absurd = std::numeric_limits<SIZE_T>::max() / 4;
  ASSERT_EQ(CreateThread(nullptr, absurd, DoNothing, nullptr,
                         CREATE_SUSPENDED | STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr),
            nullptr);
  const std::string creationText = SystemErrorMessage(GetLastError());
  try {
    TestThread thread([](TestThread&) {}, absurd);
    ADD_FAILURE() << "created a thread with an absurd stack";
  } catch (const EThread& error) {
    EXPECT_EQ(error.what(), "Thread creation error: " + creationText);
  }

  TestThread finished([](TestThread&) {});
  finished.Resume();
  finished.WaitFor();
  if (SuspendThread(finished.Handle()) != static_cast<DWORD>(-1)) {
    GTEST_SKIP() << "this platform suspends a finished thread without complaint";
  }
  const DWORD code = GetLastError();
  try {
    finished.Suspend();
    ADD_FAILURE() << "suspended a finished thread";
  } catch (const EThread& error) {
    EXPECT_EQ(error.what(), Format("Thread Error: %s (%d)", SystemErrorMessage(code).c_str(),
                                   static_cast<int>(code)));
    EXPECT_FALSE(finished.Suspended()) << "a failed suspend leaves the flag as it was";
  }
}

} // namespace
