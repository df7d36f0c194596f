#include "help_window.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTextBrowser>
#include <QUrl>

#include "application_title.h"

namespace help_window {

QString HelpIndexPath()
{
    const QString programFolder = QCoreApplication::applicationDirPath();
    const QString beside = programFolder + "/help/index.html";
    const QString installed = QDir::cleanPath(programFolder + "/" PARROTEL_INSTALLED_HELP "/index.html");
    return QFileInfo::exists(beside) || !QFileInfo::exists(installed) ? beside : installed;
}

QString VersionText(const QString& version)
{
    return "Version " + (version.isEmpty() ? QString("No Version Information Found") : version);
}

QTextBrowser* ShowHelpIndex(QTextBrowser* window, QWidget* owner, const QString& index)
{
    if (!window) {
        window = new QTextBrowser(owner);
        window->setObjectName("HelpWindow");
        window->setWindowFlag(Qt::Window);
        window->setWindowTitle(QString(kApplicationTitle) + " Help");
        window->setOpenExternalLinks(true);
        window->resize(640, 520);
    }
    window->setSource(QUrl::fromLocalFile(index));
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

}  // namespace help_window
