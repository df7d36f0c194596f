// The help and the About box's version line. The help is the program's own
// HTML, opened at its index in a help window.
#pragma once

#include <QString>

class QTextBrowser;
class QWidget;

namespace help_window {

// The help's index page: beside the program (help/index.html), or where it is
// installed, found from the program's own folder.
QString HelpIndexPath();
// "Version " and the program's version, or the stand-in text when it has none.
QString VersionText(const QString& version);
// Shows the page in the help window, made on first use as a window of
// owner's own; returns the window to pass in next time.
QTextBrowser* ShowHelpIndex(QTextBrowser* window, QWidget* owner, const QString& index);

}  // namespace help_window
