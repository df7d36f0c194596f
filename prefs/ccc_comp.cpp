#include "ccc_comp.h"

#include "component_canvas.h"
#include "component_library.h"
#include "dialogs/dialogs.h"
#include "lz_expand.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <system_error>
#include <thread>

namespace prefs {

namespace {

const QString kLibrarySuffix = QStringLiteral(".so");
const QString kDownloadSuffix = QStringLiteral(".tmp");
const QString kPreviousVersionSuffix = QStringLiteral(".Old");
const QString kExpandedFileName = QStringLiteral("DeCmpres.dll");
const QString kDownloadWindowClass = QStringLiteral("TAutoDownloadForm");
const QString kDownloadWindowCaption = QStringLiteral("Downloading Tavrin Audio component");
const QString kMessageCaption = QStringLiteral("Tavrin Audio Component");
// A downloaded component larger than this is not one.
constexpr qint64 kLargestDownload = 256 * 1024 * 1024;

// State shared by every host. The GUI thread owns all of it except what the
// background initialisations write: initialised, and the pending update.
struct HostState {
    std::shared_ptr<ComponentLibrary> library;
    bool started = false;     // the first check was started
    bool paintedOnce = false;
    bool busy = false;        // guards the paint routine and the install against re-entry
    QString componentPath;    // set by the install
    QString previousPath;     // componentPath + ".Old"

    std::atomic<bool> initialised{false};  // a background initialisation has returned

    std::mutex pendingMutex;  // guards the two below
    bool updatePending = false;
    std::string pendingPath;

    std::mutex runningMutex;  // guards running
    std::condition_variable runningChanged;
    int running = 0;          // background initialisations not yet returned
};

// Never destroyed: background initialisations may still write to it while
// the program ends.
HostState& State()
{
    static HostState* state = new HostState;
    return *state;
}

// At program end a library still loaded is released.
struct ReleaseAtProgramEnd {
    ~ReleaseAtProgramEnd() { State().library.reset(); }
} releaseAtProgramEnd;

std::shared_ptr<ComponentLibrary> LoadedLibrary() { return State().library; }

bool ReportsDownloadedFile(const std::array<char, CCC_DOWNLOADED_FILE_SIZE + 1>& buffer)
{
    const auto first = static_cast<unsigned char>(buffer[0]);
    return first > '0' || first == '/';
}

void RunInitialisation(std::shared_ptr<ComponentLibrary> library)
{
    HostState& state = State();
    std::array<char, CCC_DOWNLOADED_FILE_SIZE + 1> buffer{};  // one more than promised: always terminated
    if (library->EntryPoints().CompInitialization)
        library->EntryPoints().CompInitialization(buffer.data());
    state.initialised = true;
    if (ReportsDownloadedFile(buffer)) {
        std::lock_guard lock(state.pendingMutex);
        state.pendingPath.assign(buffer.data(), strnlen(buffer.data(), CCC_DOWNLOADED_FILE_SIZE));
        state.updatePending = true;
    }
    library.reset();  // may unload the library: this thread has left it
    std::lock_guard lock(state.runningMutex);
    --state.running;
    state.runningChanged.notify_all();
}

void StartInitialisation()
{
    HostState& state = State();
    std::shared_ptr<ComponentLibrary> library = state.library;
    if (!library)
        return;
    {
        std::lock_guard lock(state.runningMutex);
        ++state.running;
    }
    try {
        std::thread(RunInitialisation, std::move(library)).detach();
    } catch (const std::system_error&) {
        std::lock_guard lock(state.runningMutex);
        --state.running;
        state.runningChanged.notify_all();
    }
}

bool UpdatePending()
{
    HostState& state = State();
    std::lock_guard lock(state.pendingMutex);
    return state.updatePending;
}

// The pending file's path, clearing the flag; nothing when none is pending.
std::optional<QString> TakePendingUpdate()
{
    HostState& state = State();
    std::lock_guard lock(state.pendingMutex);
    if (!state.updatePending)
        return std::nullopt;
    state.updatePending = false;
    return QFile::decodeName(QByteArray::fromStdString(state.pendingPath));
}

// Finalises and releases the loaded library. Background initialisations
// still inside it keep it mapped until they return.
void ReleaseLibrary()
{
    std::shared_ptr<ComponentLibrary> library = std::move(State().library);
    State().library.reset();
    if (library && library->EntryPoints().CompFinalization)
        library->EntryPoints().CompFinalization();
}

void ShowLoadFailure(const QString& path, QWidget* owner)
{
    platform::ShowMessage(QStringLiteral("Could not launch the Application. ") + QFileInfo(path).fileName() +
                              QStringLiteral(" has been deleted or missing,Please reinstall the Program"),
                          kMessageCaption, owner);
}

// Loads path as the shared library. Right after an install, a file that
// will not load is deleted and the previous version is put back and loaded.
void LoadComponent(const QString& path, bool afterInstall, QWidget* owner)
{
    HostState& state = State();
    QString attempted = path;
    state.library = ComponentLibrary::Load(path);
    if (!state.library && afterInstall) {
        QFile::remove(path);
        QFile::rename(state.previousPath, state.componentPath);
        attempted = state.componentPath;
        state.library = ComponentLibrary::Load(attempted);
    }
    if (!state.library)
        ShowLoadFailure(attempted, owner);
}

// Expands source into target as an LZ-aware copy does: compressed files are
// expanded, others copied. A target that could not be completed is removed.
bool ExpandFile(const QString& source, const QString& target)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly) || in.size() > kLargestDownload)
        return false;
    const QByteArray bytes = in.readAll();
    if (in.error() != QFileDevice::NoError)
        return false;
    QFile out(target);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const auto expanded =
        LzExpand(std::span(reinterpret_cast<const uint8_t*>(bytes.constData()), static_cast<size_t>(bytes.size())));
    const bool written =
        expanded && out.write(reinterpret_cast<const char*>(expanded->data()), static_cast<qint64>(expanded->size())) ==
                        static_cast<qint64>(expanded->size());
    out.close();
    if (!written || out.error() != QFileDevice::NoError) {
        out.remove();
        return false;
    }
    return true;
}

// Swaps the downloaded new version in for the running one and loads it.
void InstallComponent(const QString& downloadedPath, QWidget* owner)
{
    HostState& state = State();
    state.busy = true;
    if (!downloadedPath.endsWith(kDownloadSuffix))
        return;  // not a download this host knows how to place
    const QString componentPath = downloadedPath.chopped(kDownloadSuffix.size());
    if (QFileInfo(componentPath).fileName().isEmpty())
        return;
    state.componentPath = componentPath;
    state.previousPath = state.componentPath + kPreviousVersionSuffix;
    const QString runningPath = TCCC_Comp::LoadedComponentPath();
    // Beside the component, so that the final rename never crosses file systems.
    const QString expandedPath = QFileInfo(state.componentPath).dir().filePath(kExpandedFileName);

    const bool expanded = ExpandFile(downloadedPath, expandedPath);
    QFile::remove(downloadedPath);
    if (!expanded)
        return;
    QFile::remove(state.previousPath);

    // A reload by the same path finds the old code while anything still holds it.
    TCCC_Comp::WaitForInitialisations();
    ReleaseLibrary();

    if (!QFile::rename(state.componentPath, state.previousPath)) {
        QFile::remove(expandedPath);
        LoadComponent(runningPath.isEmpty() ? state.componentPath : runningPath, false, owner);
        return;
    }
    if (QFile::rename(expandedPath, state.componentPath)) {
        LoadComponent(state.componentPath, true, owner);
        state.busy = false;
    } else {
        QFile::rename(state.previousPath, state.componentPath);
        LoadComponent(state.componentPath, false, owner);
    }
}

QString LibraryPathFor(const QString& name)
{
    const QString path = name + kLibrarySuffix;
    if (QFileInfo(path).isAbsolute())
        return path;
    return QDir(QCoreApplication::applicationDirPath()).filePath(path);
}

}  // namespace

TCCC_Comp::TCCC_Comp(QWidget* parent) : QWidget(parent), timer_(new QTimer(this))
{
    resize(kWidth, kHeight);
    connect(timer_, &QTimer::timeout, this, &TCCC_Comp::TimerTimer);
    timer_->start(kTimerInterval);
}

TCCC_Comp::~TCCC_Comp()
{
    timer_->stop();
    State().busy = false;
    ReleaseLibrary();
}

void TCCC_Comp::SetDLLName(const QString& name)
{
    dllName_ = name;
    if (name.isEmpty())
        return;
    ReleaseLibrary();
    LoadComponent(LibraryPathFor(name), false, this);
}

void TCCC_Comp::CheckNow()
{
    HostState& state = State();
    const std::shared_ptr<ComponentLibrary> library = LoadedLibrary();
    if (!library)
        return;
    if (state.initialised) {
        if (!UpdatePending())
            StartInitialisation();
        return;
    }
    if (library->EntryPoints().DllToDownload)
        library->EntryPoints().DllToDownload(QFile::encodeName(dllName_).constData());
    if (!state.started) {
        state.started = true;
        StartInitialisation();
    } else {
        BringDownloadWindowForward();
    }
}

void TCCC_Comp::BringDownloadWindowForward()
{
    for (QWidget* window : QApplication::topLevelWidgets()) {
        const bool isDownloadWindow = (window->metaObject()->className() == kDownloadWindowClass ||
                                       window->objectName() == kDownloadWindowClass) &&
                                      window->windowTitle() == kDownloadWindowCaption;
        if (!isDownloadWindow)
            continue;
        if (window->isVisible()) {
            window->raise();
            window->activateWindow();
            window->setFocus();
        } else {
            window->showNormal();
        }
        return;
    }
}

void TCCC_Comp::TimerTimer()
{
    timer_->stop();
    if (IsComponentLoaded())
        PaintRoutine();
    timer_->start();
}

void TCCC_Comp::PaintRoutine()
{
    HostState& state = State();
    if (!state.library)
        return;
    if (!state.paintedOnce) {
        state.paintedOnce = true;
        PaintFace();
        return;
    }
    if (state.busy)
        return;
    state.busy = true;
    if (size() != QSize(kWidth, kHeight))
        resize(kWidth, kHeight);
    if (!state.started)
        CheckNow();
    if (const std::optional<QString> downloaded = TakePendingUpdate()) {
        timer_->stop();
        InstallComponent(*downloaded, this);
        timer_->start();
    }
    if (state.library)
        PaintFace();
    state.busy = false;
}

void TCCC_Comp::ResizeCanvas()
{
    const QSize wanted = size().expandedTo(QSize(1, 1));
    if (canvas_.size() == wanted)
        return;
    QImage resized(wanted, QImage::Format_ARGB32_Premultiplied);
    resized.fill(palette().color(QPalette::Window));
    if (!canvas_.isNull()) {
        QPainter painter(&resized);
        painter.drawImage(0, 0, canvas_);
    }
    canvas_ = std::move(resized);
}

void TCCC_Comp::PaintFace()
{
    const std::shared_ptr<ComponentLibrary> library = LoadedLibrary();
    if (!library || !library->EntryPoints().CompPaint)
        return;
    ResizeCanvas();
    {
        ComponentCanvas canvas(canvas_);
        library->EntryPoints().CompPaint(&cursor_, canvas.Canvas());
    }
    switch (cursor_) {
    case CCC_CURSOR_HAND: setCursor(Qt::PointingHandCursor); break;
    case CCC_CURSOR_WAIT: setCursor(Qt::WaitCursor); break;
    case CCC_CURSOR_TEXT: setCursor(Qt::IBeamCursor); break;
    default: unsetCursor(); break;
    }
    ownRefresh_ = true;
    update();
}

void TCCC_Comp::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    if (!canvas_.isNull())
        painter.drawImage(0, 0, canvas_);
    if (ownRefresh_) {
        ownRefresh_ = false;
        return;
    }
    // Exposed: let the library paint afresh, but not from inside this paint
    // event, since the routine may install a file or show a message.
    if (IsComponentLoaded() && !routineQueued_) {
        routineQueued_ = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                routineQueued_ = false;
                PaintRoutine();
            },
            Qt::QueuedConnection);
    }
}

void TCCC_Comp::mousePressEvent(QMouseEvent* event)
{
    const std::shared_ptr<ComponentLibrary> library = LoadedLibrary();
    if (library && event->button() == Qt::RightButton && library->EntryPoints().CompMouseRightClick)
        library->EntryPoints().CompMouseRightClick();
    QWidget::mousePressEvent(event);
}

void TCCC_Comp::mouseReleaseEvent(QMouseEvent* event)
{
    const std::shared_ptr<ComponentLibrary> library = LoadedLibrary();
    if (library && event->button() == Qt::LeftButton && library->EntryPoints().CompMouseLeftClick)
        library->EntryPoints().CompMouseLeftClick();
    QWidget::mouseReleaseEvent(event);
}

// A double click arrives instead of the second press.
void TCCC_Comp::mouseDoubleClickEvent(QMouseEvent* event)
{
    const std::shared_ptr<ComponentLibrary> library = LoadedLibrary();
    if (library) {
        const ComponentEntryPoints& entry = library->EntryPoints();
        if (event->button() == Qt::LeftButton && entry.CompMouseLeftDoubleClick)
            entry.CompMouseLeftDoubleClick();
        else if (event->button() == Qt::RightButton && entry.CompMouseRightDoubleClick)
            entry.CompMouseRightDoubleClick();
    }
    // Not QWidget::mouseDoubleClickEvent: it would pass the event on as a press.
    event->accept();
}

bool TCCC_Comp::IsComponentLoaded() { return State().library != nullptr; }

QString TCCC_Comp::LoadedComponentPath()
{
    const std::shared_ptr<ComponentLibrary> library = LoadedLibrary();
    return library ? library->Path() : QString();
}

void TCCC_Comp::WaitForInitialisations()
{
    HostState& state = State();
    std::unique_lock lock(state.runningMutex);
    state.runningChanged.wait(lock, [&state] { return state.running == 0; });
}

void TCCC_Comp::ResetSharedState()
{
    WaitForInitialisations();
    ReleaseLibrary();
    HostState& state = State();
    state.started = false;
    state.paintedOnce = false;
    state.busy = false;
    state.componentPath.clear();
    state.previousPath.clear();
    state.initialised = false;
    std::lock_guard lock(state.pendingMutex);
    state.updatePending = false;
    state.pendingPath.clear();
}

}  // namespace prefs
