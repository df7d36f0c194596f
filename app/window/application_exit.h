// Ending the program from inside start-up: the request is queued, so the
// window under construction completes and the message loop, once it runs,
// ends before it handles any input. Replaceable so that tests can see the
// request without ending anything.
#pragma once

#include <functional>

namespace application {

using TerminateFunction = std::function<void()>;

// Asks the application to end once its message loop runs (or calls the
// installed replacement).
void Terminate();
// Installs a replacement (an empty function restores the real request);
// returns the previous one.
TerminateFunction SetTerminateFunction(TerminateFunction function);

}  // namespace application
