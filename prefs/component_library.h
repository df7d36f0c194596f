// An update component library loaded with dlopen, with its entry points
// looked up by name. The library stays mapped for as long as anyone holds the
// shared pointer, so a thread still inside one of its functions keeps it.
#pragma once

#include "component_api.h"

#include <QString>

#include <memory>

namespace prefs {

struct ComponentEntryPoints {
    CCC_InitializationProc CompInitialization = nullptr;
    CCC_NotifyProc CompFinalization = nullptr;
    CCC_NotifyProc CompMouseLeftClick = nullptr;
    CCC_NotifyProc CompMouseLeftDoubleClick = nullptr;
    CCC_NotifyProc CompMouseRightClick = nullptr;
    CCC_NotifyProc CompMouseRightDoubleClick = nullptr;
    CCC_PaintProc CompPaint = nullptr;
    CCC_NotifyProc CompMessage = nullptr;
    CCC_DllToDownloadProc DllToDownload = nullptr;
};

class ComponentLibrary {
public:
    // Nothing when the file cannot be loaded.
    static std::shared_ptr<ComponentLibrary> Load(const QString& path);
    ~ComponentLibrary();
    ComponentLibrary(const ComponentLibrary&) = delete;
    ComponentLibrary& operator=(const ComponentLibrary&) = delete;

    const QString& Path() const { return path_; }
    const ComponentEntryPoints& EntryPoints() const { return entryPoints_; }

private:
    ComponentLibrary(void* handle, QString path);

    void* handle_;
    QString path_;
    ComponentEntryPoints entryPoints_;
};

}  // namespace prefs
