#pragma once

#include <windows.h>

#include <functional>

// The main thread is the one that runs start-up, the message loop and every window. Other threads
// reach it only through messages: RunOnMainThread sends one to a hidden message-only window.
namespace hivelark {

// Main thread only, before any other thread may call RunOnMainThread: remembers the calling thread
// as the main thread and creates the hidden window. Calling it again does nothing.
void InitMainThread();

bool IsMainThread();

// Any thread: runs `function` on the main thread and returns when it has run. The main thread
// runs it when its message loop (or any modal loop) takes messages. An exception that `function`
// raises comes back to the caller. Called on the main thread, it runs `function` directly.
void RunOnMainThread(const std::function<void()>& function);

// Any thread: waits until `handle` is signalled, handling the messages sent to the calling thread
// meanwhile, so that a thread blocked in a send to it (RunOnMainThread) can go on; posted messages
// stay queued. False when the wait fails.
bool WaitHandlingSentMessages(HANDLE handle);

} // namespace hivelark
