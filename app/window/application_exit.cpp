#include "application_exit.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <utility>

namespace application {

namespace {

TerminateFunction& Replacement()
{
    static TerminateFunction function;
    return function;
}

}  // namespace

void Terminate()
{
    if (Replacement()) {
        Replacement()();
        return;
    }
    if (QCoreApplication* application = QCoreApplication::instance())
        QMetaObject::invokeMethod(application, [] { QCoreApplication::quit(); }, Qt::QueuedConnection);
}

TerminateFunction SetTerminateFunction(TerminateFunction function)
{
    return std::exchange(Replacement(), std::move(function));
}

}  // namespace application
