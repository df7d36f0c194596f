// Warblecast: the main routine creates the application's windows, main window
// first, and runs the message loop.
#include <QApplication>

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
    mainForm->show();
    return application.exec();
}
