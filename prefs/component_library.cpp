#include "component_library.h"

#include <QFile>

#include <dlfcn.h>

namespace prefs {

namespace {

template <typename Function>
void LookUp(void* handle, const char* name, Function& function)
{
    function = reinterpret_cast<Function>(dlsym(handle, name));
}

}  // namespace

std::shared_ptr<ComponentLibrary> ComponentLibrary::Load(const QString& path)
{
    if (path.isEmpty())
        return nullptr;
    void* handle = dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL);
    if (!handle)
        return nullptr;
    return std::shared_ptr<ComponentLibrary>(new ComponentLibrary(handle, path));
}

ComponentLibrary::ComponentLibrary(void* handle, QString path) : handle_(handle), path_(std::move(path))
{
    LookUp(handle_, "CompInitialization", entryPoints_.CompInitialization);
    LookUp(handle_, "CompFinalization", entryPoints_.CompFinalization);
    LookUp(handle_, "CompMouseLeftClick", entryPoints_.CompMouseLeftClick);
    LookUp(handle_, "CompMouseLeftDoubleClick", entryPoints_.CompMouseLeftDoubleClick);
    LookUp(handle_, "CompMouseRightClick", entryPoints_.CompMouseRightClick);
    LookUp(handle_, "CompMouseRightDoubleClick", entryPoints_.CompMouseRightDoubleClick);
    LookUp(handle_, "CompPaint", entryPoints_.CompPaint);
    LookUp(handle_, "CompMessage", entryPoints_.CompMessage);
    LookUp(handle_, "DllToDownload", entryPoints_.DllToDownload);
}

ComponentLibrary::~ComponentLibrary() { dlclose(handle_); }

}  // namespace prefs
