#pragma once
// Waiting for something in the window the way the program's own event loop
// waits: blocked until an event comes, so timers fire when they are due and
// replies are handled as soon as they arrive. (Qt Test's waits sleep between
// rounds of events, which would add their sleeps to every reply measured.)

#include <functional>

namespace lumiq::test {

// Serves events until `done` holds (checked whenever the loop is about to
// block) or `timeoutMs` has passed; returns `done()`.
bool ServeUntil(const std::function<bool()>& done, int timeoutMs);

} // namespace lumiq::test
