#include "messages/messages.h"

#include <QCoreApplication>
#include <QPointer>

#include <map>
#include <mutex>

namespace platform {

namespace {

struct Registry {
    std::mutex mutex;
    std::map<WindowHandle, QPointer<QObject>> targets;
    WindowHandle next = 1;
};

Registry& TheRegistry()
{
    static Registry registry;
    return registry;
}

}  // namespace

WindowMessageEvent::WindowMessageEvent(uint32_t message_, uintptr_t wParam_, intptr_t lParam_)
    : QEvent(eventType()), message(message_), wParam(wParam_), lParam(lParam_)
{
}

QEvent::Type WindowMessageEvent::eventType()
{
    static const QEvent::Type type = QEvent::Type(QEvent::registerEventType());
    return type;
}

WindowHandle RegisterMessageTarget(QObject* target)
{
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    const WindowHandle handle = registry.next++;
    registry.targets[handle] = target;
    return handle;
}

void UnregisterMessageTarget(WindowHandle handle)
{
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    registry.targets.erase(handle);
}

bool PostWindowMessage(WindowHandle handle, uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    auto found = registry.targets.find(handle);
    if (found == registry.targets.end() || found->second.isNull())
        return false;
    // postEvent is thread-safe and takes ownership; the event is dropped if the
    // target is destroyed before it is delivered.
    QCoreApplication::postEvent(found->second.data(), new WindowMessageEvent(message, wParam, lParam));
    return true;
}

}  // namespace platform
