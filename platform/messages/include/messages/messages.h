// Window messages: a window registers as a message target and receives, as a
// WindowMessageEvent on its own thread, every message posted to its handle
// from any thread. Handles stay valid numbers after the window is gone;
// posting to a forgotten handle does nothing, so a device thread can never
// reach a destroyed window.
#pragma once

#include <QEvent>
#include <QObject>

#include <cstdint>

namespace platform {

using WindowHandle = uintptr_t;  // 0 is no window

// Message numbers the program's devices post.
constexpr uint32_t MM_WOM_DONE = 0x3BD;             // wave output: a header came back
constexpr uint32_t MM_MIXM_CONTROL_CHANGE = 0x3D1;  // mixer: a control's value changed

class WindowMessageEvent : public QEvent {
public:
    WindowMessageEvent(uint32_t message, uintptr_t wParam, intptr_t lParam);
    static QEvent::Type eventType();

    uint32_t message;
    uintptr_t wParam;
    intptr_t lParam;
};

// Gives target a handle that others may post to. The target must call
// UnregisterMessageTarget before it is destroyed.
WindowHandle RegisterMessageTarget(QObject* target);
void UnregisterMessageTarget(WindowHandle handle);

// Thread-safe. Returns false when no target has that handle.
bool PostWindowMessage(WindowHandle handle, uint32_t message, uintptr_t wParam, intptr_t lParam);

// Keeps a QObject registered for its lifetime.
class MessageTargetRegistration {
public:
    explicit MessageTargetRegistration(QObject* target) : handle_(RegisterMessageTarget(target)) {}
    ~MessageTargetRegistration() { UnregisterMessageTarget(handle_); }
    MessageTargetRegistration(const MessageTargetRegistration&) = delete;
    MessageTargetRegistration& operator=(const MessageTargetRegistration&) = delete;
    WindowHandle handle() const { return handle_; }

private:
    WindowHandle handle_;
};

}  // namespace platform
