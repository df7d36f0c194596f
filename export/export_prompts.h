// What every export dialog asks and says: the save dialog for its file (the
// "Save As" title, an overwrite question, an existing folder) and its
// messages (one OK button, the caption "Warblecast").
#pragma once

#include <QString>

#include "dialogs/dialogs.h"

namespace mp3 {

// The chosen path, or an empty string when the user cancelled.
inline QString AskExportFileName(QWidget* owner, const QString& filter, const QString& extension,
                                 const QString& initialName = QString())
{
    platform::FileDialogRequest request;
    request.kind = platform::FileDialogKind::Save;
    request.title = QStringLiteral("Save As");
    request.filter = filter;
    request.defaultExtension = extension;
    request.initialName = initialName;
    request.promptOverwrite = true;
    request.mustExist = true;
    request.owner = owner;
    return platform::AskFileName(request);
}

inline void ShowExportMessage(QWidget* owner, const QString& text)
{
    platform::MessageRequest request;
    request.text = text;
    request.caption = QStringLiteral("Warblecast");
    request.owner = owner;
    platform::ShowMessage(request);
}

}  // namespace mp3
