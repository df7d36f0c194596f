// What the control tests share: one application object, synthetic mouse
// input, pixel lookup in a grabbed parent, and a paint counter.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QRegion>
#include <QWidget>
#include <QWindow>

#include <set>
#include <utility>

// The application lives from the first use to the end of the test run; it
// is destroyed before main returns, while Qt's own globals still exist.
class QtApplicationEnvironment : public ::testing::Environment {
public:
    static QApplication& App()
    {
        static int argc = 1;
        static char name[] = "controls_test";
        static char* argv[] = {name, nullptr};
        if (!s_app)
            s_app = new QApplication(argc, argv);
        return *s_app;
    }
    void TearDown() override
    {
        delete s_app;
        s_app = nullptr;
    }

private:
    static inline QApplication* s_app = nullptr;
};

inline ::testing::Environment* const kQtApplicationEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtApplicationEnvironment);

inline QApplication& TestApp() { return QtApplicationEnvironment::App(); }

// Shows a top-level widget and waits until the platform has exposed it, so
// that repaint() paints synchronously.
inline void ShowAndExpose(QWidget& window)
{
    window.show();
    for (int i = 0; i < 100 && !(window.windowHandle() && window.windowHandle()->isExposed()); ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QCoreApplication::processEvents();
}

// Sends a left (or other) button event straight to the widget, as the window
// system does while the widget holds the mouse.
inline void SendMouse(QWidget& widget, QEvent::Type type, QPoint position,
                      Qt::MouseButton button = Qt::LeftButton)
{
    const Qt::MouseButtons held =
        type == QEvent::MouseButtonRelease ? Qt::MouseButtons(Qt::NoButton) : Qt::MouseButtons(button);
    QMouseEvent event(type, QPointF(position), widget.mapToGlobal(QPointF(position)), button,
                      held, Qt::NoModifier);
    QCoreApplication::sendEvent(&widget, &event);
}

inline void Click(QWidget& widget, QPoint press, QPoint release)
{
    SendMouse(widget, QEvent::MouseButtonPress, press);
    SendMouse(widget, QEvent::MouseButtonRelease, release);
}

// The parent as the screen shows it: masked children appear only inside
// their masks.
inline QImage Screen(QWidget& parent)
{
    return parent.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

inline QRgb Rgb(int r, int g, int b) { return qRgb(r, g, b); }

// The pixels of a region, for comparisons that do not depend on how the
// region happens to be split into rectangles.
inline std::set<std::pair<int, int>> Pixels(const QRegion& region)
{
    std::set<std::pair<int, int>> pixels;
    for (const QRect& r : region)
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                pixels.emplace(x, y);
    return pixels;
}

// Counts paint events of any control class, to tell a synchronous repaint
// from none.
template <class Control>
class Counted : public Control {
public:
    using Control::Control;
    int paints = 0;

protected:
    void paintEvent(QPaintEvent* event) override
    {
        ++paints;
        Control::paintEvent(event);
    }
};
