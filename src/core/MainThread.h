#pragma once
// Work done on a background thread reports back to the main thread through these.

#include <QObject>
#include <functional>

namespace kx {

bool isMainThread();

// Queues `fn` to run on the main thread's event loop and returns at once.
void runOnMain(std::function<void()> fn);

// The same, but the call is dropped when `context` is destroyed before it runs: a
// queued delivery never reaches an object that is gone.
void runOnMain(QObject* context, std::function<void()> fn);

// Runs `fn` on the main thread and waits for it (runs it directly on the main thread).
void runOnMainAndWait(const std::function<void()>& fn);

} // namespace kx
