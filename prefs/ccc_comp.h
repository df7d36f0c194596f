// TCCC_Comp: the control that hosts an update component library (see
// component_api.h). It loads the library named by DLLName, lets it paint into
// the control and hear mouse clicks, runs its initialisation on a background
// thread, and when the library reports a downloaded new version of itself,
// expands that file, swaps it in (keeping the old one as ".Old") and reloads.
//
// The loaded library and the progress flags belong to the program, not to one
// control: every TCCC_Comp shares them. With an empty DLLName nothing is ever
// loaded and every operation that needs a library does nothing.
#pragma once

#include <QImage>
#include <QString>
#include <QWidget>

#include <cstdint>

class QTimer;

namespace prefs {

class TCCC_Comp : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString DLLName READ DLLName WRITE SetDLLName)

public:
    static constexpr int kTimerInterval = 2500;  // milliseconds
    static constexpr int kWidth = 470;
    static constexpr int kHeight = 65;

    explicit TCCC_Comp(QWidget* parent = nullptr);
    ~TCCC_Comp() override;

    // The library's path without ".so"; a relative path is taken from the
    // program's folder. Setting a name loads that library (a library loaded
    // before is finalised and released first); setting an empty name only
    // stores it.
    QString DLLName() const { return dllName_; }
    void SetDLLName(const QString& name);

    // Starts an update check (the "Check For Updates" command), or brings the
    // library's download window forward while a first check runs.
    void CheckNow();

    // The owned timer's handler: runs the paint routine every 2500 ms.
    void TimerTimer();
    QTimer* Timer() const { return timer_; }

    static bool IsComponentLoaded();
    static QString LoadedComponentPath();
    // Blocks until every background initialisation has returned.
    static void WaitForInitialisations();
    // Returns the shared state to its start-up values: waits for background
    // initialisations, finalises and releases a loaded library, clears every
    // flag. For program end and for tests; no TCCC_Comp may be alive.
    static void ResetSharedState();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void PaintRoutine();
    void PaintFace();
    void ResizeCanvas();
    void BringDownloadWindowForward();

    QString dllName_;
    QTimer* timer_;
    QImage canvas_;           // what the library drew; kept between paints
    int32_t cursor_ = 0;      // CCC_Cursor, set by the library while it paints
    bool ownRefresh_ = false;  // the next paint only shows what the library drew
    bool routineQueued_ = false;
};

}  // namespace prefs
