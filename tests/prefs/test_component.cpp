// A small update component for the host's tests, built twice (version 1 and
// version 2). Each call is logged as one line "v<version> <entry point>" to
// "component.log" in the folder the library was loaded from, and the library
// takes its orders from the lines of "component.orders" there:
//   download <path>  CompInitialization reports <path> as a downloaded update
//   hold             CompInitialization waits until "release" exists there
//   window           DllToDownload creates the (hidden) download window
#include "component_api.h"

#include <QWidget>

#include <dlfcn.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>

#ifndef COMPONENT_VERSION
#error "COMPONENT_VERSION must be defined"
#endif

namespace {

constexpr uint32_t kFaceColour = COMPONENT_VERSION == 1 ? 0xFF0000 : 0x0000FF;

std::mutex logMutex;
QWidget* downloadWindow = nullptr;

std::string Folder()
{
    Dl_info info{};
    dladdr(reinterpret_cast<void*>(&Folder), &info);
    std::string path = info.dli_fname ? info.dli_fname : "";
    return path.substr(0, path.rfind('/') + 1);
}

void Log(const std::string& line)
{
    std::lock_guard lock(logMutex);
    std::ofstream(Folder() + "component.log", std::ios::app) << "v" << COMPONENT_VERSION << " " << line << "\n";
}

// The argument of the order, or nothing when it is not given.
bool Order(const std::string& name, std::string* argument = nullptr)
{
    std::ifstream orders(Folder() + "component.orders");
    std::string line;
    while (std::getline(orders, line)) {
        std::istringstream words(line);
        std::string word;
        words >> word;
        if (word != name)
            continue;
        if (argument)
            words >> *argument;
        return true;
    }
    return false;
}

void WaitForRelease()
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!std::ifstream(Folder() + "release") && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
}

}  // namespace

extern "C" {

__attribute__((visibility("default"))) void CompInitialization(char* downloadedFile)
{
    Log(downloadedFile[0] == 0 ? "CompInitialization" : "CompInitialization with a dirty buffer");
    if (Order("hold"))
        WaitForRelease();
    std::string path;
    if (Order("download", &path))
        std::strncpy(downloadedFile, path.c_str(), CCC_DOWNLOADED_FILE_SIZE);
    Log("CompInitialization returns");
}

__attribute__((visibility("default"))) void CompFinalization()
{
    delete downloadWindow;
    downloadWindow = nullptr;
    Log("CompFinalization");
}

__attribute__((visibility("default"))) void CompMouseLeftClick() { Log("CompMouseLeftClick"); }
__attribute__((visibility("default"))) void CompMouseLeftDoubleClick() { Log("CompMouseLeftDoubleClick"); }
__attribute__((visibility("default"))) void CompMouseRightClick() { Log("CompMouseRightClick"); }
__attribute__((visibility("default"))) void CompMouseRightDoubleClick() { Log("CompMouseRightDoubleClick"); }
__attribute__((visibility("default"))) void CompMessage() { Log("CompMessage"); }

__attribute__((visibility("default"))) void CompPaint(int32_t* cursor, CCC_Canvas* canvas)
{
    canvas->SetBrush(canvas->context, kFaceColour, 1);
    canvas->FillRect(canvas->context, 0, 0, canvas->width, canvas->height);
    canvas->SetPen(canvas->context, 0xFFFFFF, 1);
    canvas->MoveTo(canvas->context, 0, canvas->height - 1);
    canvas->LineTo(canvas->context, canvas->width, canvas->height - 1);
    canvas->SetFont(canvas->context, "DejaVu Sans", 8, 1, 0xFFFFFF);
    canvas->TextOut(canvas->context, 4, 4, "Up to date");
    *cursor = CCC_CURSOR_HAND;
    Log("CompPaint " + std::to_string(canvas->width) + "x" + std::to_string(canvas->height));
}

__attribute__((visibility("default"))) void DllToDownload(const char* name)
{
    if (Order("window") && !downloadWindow) {
        downloadWindow = new QWidget;
        downloadWindow->setObjectName("TAutoDownloadForm");
        downloadWindow->setWindowTitle("Downloading Tavrin Audio component");
    }
    Log(std::string("DllToDownload ") + name);
}

}  // extern "C"
