// A monkey for the main window: clicks, drags, keys and menu choices at
// random, for a given time, on the very window the program shows, with every
// dialog it opens closed again (Escape) after a few random actions inside.
//
//   parrotel_monkey [--seconds N] [--seed S]
//
// It fails (exit 1, or an abort that a sanitizer reports) when the window
// stops answering for more than two seconds, and it prints what it did and
// the program's memory (resident set) once a second, so that a long run shows
// whether memory stops growing. Run it on a real display (Xvfb) with a sound
// server (the private null sink): it records, plays and exports for real.
#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPointer>
#include <QSlider>
#include <QTimer>
#include <QWidget>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "application_forms.h"
#include "mainform.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kActionIntervalMs = 25;
constexpr auto kAnswerLimit = std::chrono::seconds(2);
constexpr auto kHeartbeat = std::chrono::milliseconds(200);
// Menu items the monkey never picks: they end the program.
const char* const kForbiddenActions[] = {"Exit1"};

struct Options {
    int seconds = 60;
    unsigned seed = 1;
};

Options ParseOptions(int argc, char** argv)
{
    Options options;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--seconds") == 0)
            options.seconds = std::atoi(argv[i + 1]);
        else if (std::strcmp(argv[i], "--seed") == 0)
            options.seed = unsigned(std::strtoul(argv[i + 1], nullptr, 10));
    }
    return options;
}

long ResidentKiB()
{
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// Watches that the GUI thread keeps answering: a call posted to it must run
// within the limit, whatever the window is doing (an effect run, a dialog).
class Watchdog {
public:
    explicit Watchdog(QObject* guiObject) : guiObject_(guiObject), lastAnswer_(Clock::now().time_since_epoch().count())
    {
        thread_ = std::thread([this] { Run(); });
    }
    ~Watchdog()
    {
        stop_ = true;
        thread_.join();
    }
    std::chrono::milliseconds LongestSilence() const { return std::chrono::milliseconds(longestMs_.load()); }

private:
    void Run()
    {
        while (!stop_) {
            std::this_thread::sleep_for(kHeartbeat);
            QMetaObject::invokeMethod(
                guiObject_, [this] { lastAnswer_ = Clock::now().time_since_epoch().count(); }, Qt::QueuedConnection);
            const auto silence = Clock::now() - Clock::time_point(Clock::duration(lastAnswer_.load()));
            const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(silence).count();
            if (ms > longestMs_)
                longestMs_ = ms;
            if (silence > kAnswerLimit + kHeartbeat) {
                std::fprintf(stderr, "monkey: the window did not answer for %lld ms\n", static_cast<long long>(ms));
                std::fflush(stderr);
                std::abort();
            }
        }
    }

    QObject* guiObject_;
    std::atomic<Clock::rep> lastAnswer_;
    std::atomic<long long> longestMs_{0};
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

class Monkey : public QObject {
public:
    Monkey(TMainForm& window, const Options& options) : window_(&window), random_(options.seed), options_(options)
    {
        // The action runs from a posted call, not inside the timer's own
        // event: an action may open a dialog whose event loop runs until the
        // monkey closes it, and a timer never fires while its own event is
        // still being handled.
        connect(&timer_, &QTimer::timeout, this, [this] { QMetaObject::invokeMethod(this, &Monkey::Act, Qt::QueuedConnection); });
        timer_.start(kActionIntervalMs);
        clock_.start();
    }

    long actions() const { return actions_; }

private:
    int Roll(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); }

    QPoint RandomPointIn(const QWidget* widget)
    {
        return QPoint(Roll(std::max(1, widget->width())), Roll(std::max(1, widget->height())));
    }

    void Act()
    {
        if (!window_) {
            QApplication::exit(1);
            return;
        }
        ++actions_;
        Report();
        if (clock_.elapsed() >= qint64(options_.seconds) * 1000) {
            Finish();
            return;
        }
        // A dialog or a menu that is open gets a few random actions, then Escape.
        if (QWidget* popup = QApplication::activePopupWidget()) {
            ActInPopup(popup);
            return;
        }
        if (QWidget* modal = QApplication::activeModalWidget()) {
            ActInDialog(modal);
            return;
        }
        ActOnWindow();
    }

    void ActOnWindow()
    {
        const int choice = Roll(10);
        Trace("window action %d", choice);
        switch (choice) {
        case 0:
        case 1:
        case 2:
            ClickControl();
            break;
        case 3:
            DragSlider();
            break;
        case 4:
            PressKey();
            break;
        case 5:
            OpenMenu();
            break;
        case 6:
            TriggerMenuItem();
            break;
        default:
            Click(window_, RandomPointIn(window_));
            break;
        }
    }

    void ActInPopup(QWidget* popup)
    {
        Trace("popup %s", popup->metaObject()->className());
        // A menu is clicked on one of its items, never on one that ends the program.
        auto* menu = qobject_cast<QMenu*>(popup);
        std::vector<QAction*> items;
        if (menu)
            for (QAction* action : menu->actions())
                if (Allowed(action) || (action->menu() && action->isEnabled()))
                    items.push_back(action);
        if (Roll(3) == 0 || !menu || items.empty()) {
            Key(popup, Qt::Key_Escape);
            return;
        }
        QAction* item = items[size_t(Roll(int(items.size())))];
        Trace("menu click %s", qPrintable(item->text()));
        Click(menu, menu->actionGeometry(item).center());
    }

    void ActInDialog(QWidget* dialog)
    {
        Trace("dialog %s", dialog->metaObject()->className());
        if (Roll(4) == 0) {
            Key(dialog, Qt::Key_Escape);
            return;
        }
        const QList<QWidget*> children = dialog->findChildren<QWidget*>();
        QWidget* target = children.isEmpty() ? dialog : children[Roll(int(children.size()))];
        if (target->isVisible())
            Click(target, RandomPointIn(target));
    }

    // The buttons, sliders and views of the window, chosen among its visible children.
    void ClickControl()
    {
        const QList<QWidget*> controls = window_->centralWidget()->findChildren<QWidget*>();
        if (controls.isEmpty())
            return;
        QWidget* control = controls[Roll(int(controls.size()))];
        Trace("click %s", qPrintable(control->objectName()));
        if (control->isVisible())
            Click(control, RandomPointIn(control));
    }

    void DragSlider()
    {
        const QList<QSlider*> sliders = window_->findChildren<QSlider*>();
        if (sliders.isEmpty())
            return;
        QSlider* slider = sliders[Roll(int(sliders.size()))];
        QPoint at = RandomPointIn(slider);
        Mouse(slider, QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
        for (int step = Roll(8); step >= 0; --step) {
            at = RandomPointIn(slider);
            Mouse(slider, QEvent::MouseMove, at, Qt::NoButton, Qt::LeftButton);
        }
        Mouse(slider, QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
    }

    void PressKey()
    {
        static const std::vector<std::pair<int, Qt::KeyboardModifiers>> keys = {
            {Qt::Key_Space, Qt::NoModifier}, {Qt::Key_Space, Qt::NoModifier}, {Qt::Key_A, Qt::NoModifier},
            {Qt::Key_Return, Qt::NoModifier}, {Qt::Key_Tab, Qt::NoModifier},   {Qt::Key_Up, Qt::NoModifier},
            {Qt::Key_Down, Qt::NoModifier},  {Qt::Key_N, Qt::ControlModifier}, {Qt::Key_O, Qt::ControlModifier},
            {Qt::Key_S, Qt::ControlModifier}, {Qt::Key_L, Qt::ControlModifier}, {Qt::Key_F1, Qt::NoModifier},
            {Qt::Key_F, Qt::AltModifier},    {Qt::Key_O, Qt::AltModifier},     {Qt::Key_H, Qt::AltModifier}};
        const auto& [key, modifiers] = keys[size_t(Roll(int(keys.size())))];
        QWidget* focus = QApplication::focusWidget();
        Key(focus && focus->window() == window_ ? focus : window_.data(), key, modifiers);
    }

    void OpenMenu()
    {
        QMenuBar* bar = window_->menuBar();
        const QList<QAction*> menus = bar->actions();
        if (menus.isEmpty())
            return;
        const QRect place = bar->actionGeometry(menus[Roll(int(menus.size()))]);
        if (!place.isEmpty())
            Click(bar, place.center());
    }

    template <class... Args>
    static void Trace(const char* format, Args... args)
    {
        static const bool tracing = std::getenv("PARROTEL_MONKEY_TRACE") != nullptr;
        if (!tracing)
            return;
        std::fprintf(stderr, "monkey: ");
        std::fprintf(stderr, format, args...);
        std::fprintf(stderr, "\n");
    }

    void TriggerMenuItem()
    {
        std::vector<QAction*> items;
        for (QMenu* menu : window_->menuBar()->findChildren<QMenu*>())
            for (QAction* action : menu->actions())
                if (Allowed(action))
                    items.push_back(action);
        if (items.empty())
            return;
        QAction* item = items[size_t(Roll(int(items.size())))];
        Trace("menu item %s", qPrintable(item->objectName()));
        item->trigger();
    }

    static bool Allowed(const QAction* action)
    {
        if (action->isSeparator() || action->menu() || !action->isVisible() || !action->isEnabled())
            return false;
        for (const char* name : kForbiddenActions)
            if (action->objectName() == name)
                return false;
        return true;
    }

    void Click(QWidget* widget, QPoint at)
    {
        Mouse(widget, QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
        if (!widget)
            return;
        Mouse(widget, QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
    }

    // Mouse events as the window system delivers them; a widget that a
    // press made go away (a dialog that closed) gets nothing more.
    static void Mouse(QPointer<QWidget> widget, QEvent::Type type, QPoint at, Qt::MouseButton button,
                      Qt::MouseButtons buttons)
    {
        if (!widget)
            return;
        const QPointF local(at);
        QMouseEvent event(type, local, widget->mapToGlobal(local), button, buttons, Qt::NoModifier);
        QApplication::sendEvent(widget, &event);
    }

    static void Key(QPointer<QWidget> widget, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        for (QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
            if (!widget)
                return;
            const QString text = modifiers == Qt::NoModifier && key == Qt::Key_Space ? QString(" ") : QString();
            QKeyEvent event(type, key, modifiers, text);
            QApplication::sendEvent(widget, &event);
        }
    }

    void Report()
    {
        const qint64 second = clock_.elapsed() / 1000;
        if (second == lastReport_)
            return;
        lastReport_ = second;
        const long rss = ResidentKiB();
        peak_ = std::max(peak_, rss);
        if (second == 60)
            atOneMinute_ = rss;
        std::printf("monkey: %llds %ld actions, resident %ld KiB\n", static_cast<long long>(second), actions_, rss);
        std::fflush(stdout);
    }

    // Every dialog and menu is closed before the loop ends; the window then
    // goes as the program's main routine lets it go when its loop ends.
    void Finish()
    {
        if (QWidget* open = QApplication::activePopupWidget() ? QApplication::activePopupWidget()
                                                               : QApplication::activeModalWidget()) {
            Key(open, Qt::Key_Escape);
            return;
        }
        timer_.stop();
        std::printf("monkey: done: %ld actions in %d s, seed %u; resident at 1 min %ld KiB, at the end %ld KiB, "
                    "peak %ld KiB\n",
                    actions_, options_.seconds, options_.seed, atOneMinute_, ResidentKiB(), peak_);
        std::fflush(stdout);
        QApplication::exit(0);
    }

    QPointer<TMainForm> window_;
    std::mt19937 random_;
    Options options_;
    QTimer timer_;
    QElapsedTimer clock_;
    long actions_ = 0;
    qint64 lastReport_ = -1;
    long peak_ = 0;
    long atOneMinute_ = 0;
};

}  // namespace

int main(int argc, char** argv)
{
    const Options options = ParseOptions(argc, argv);
    QApplication application(argc, argv);
    QApplication::setApplicationName("parrotel");
    // Exports and recordings go to a folder of the monkey's own.
    const QString scratch = QDir::temp().filePath(QString("parrotel-monkey-%1").arg(QCoreApplication::applicationPid()));
    QDir().mkpath(scratch);
    QDir::setCurrent(scratch);

    TMainForm* window = CreateApplicationForms();
    if (window->TerminationRequested()) {
        std::fprintf(stderr, "monkey: the window found no sound devices\n");
        delete window;
        return 1;
    }
    window->show();
    int result = 0;
    {
        Watchdog watchdog(&application);
        Monkey monkey(*window, options);
        result = application.exec();
        std::printf("monkey: longest time without an answer: %lld ms\n",
                    static_cast<long long>(watchdog.LongestSilence().count()));
    }
    delete window;
    QDir(scratch).removeRecursively();
    return result;
}
