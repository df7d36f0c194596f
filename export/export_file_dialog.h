// The save dialog that every export dialog asks for its file with: the
// "Save As" title, an overwrite question and an existing folder.
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

}  // namespace mp3
