// Warblecast: the main routine creates the application's windows, main window
// first, and runs the message loop. One optional argument names a file to
// open once the window shows (file managers pass it).
#include <QApplication>
#include <QPointer>
#include <QTimer>

#include "application_forms.h"
#include "button_pictures.h"
#include "mainform.h"

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName("parrotel");
    QApplication::setApplicationVersion(PARROTEL_VERSION);
    QGuiApplication::setDesktopFileName(PARROTEL_DESKTOP_ID);
    QApplication::setWindowIcon(ProgramIcon());

    TMainForm* mainForm = CreateApplicationForms();
    mainForm->setAttribute(Qt::WA_DeleteOnClose);
    // Without a wave device the window has said so and asked to end: the
    // message loop ends at once, with no window shown.
    if (!mainForm->TerminationRequested()) {
        mainForm->show();
        if (argc > 1) {
            const QString path = QString::fromLocal8Bit(argv[1]);
            QTimer::singleShot(0, mainForm, [mainForm, path] { mainForm->OpenNamedFile(path); });
        }
    }
    QPointer<TMainForm> window(mainForm);
    const int result = application.exec();
    delete window.data();  // still there when the loop ended without closing it
    return result;
}
