// Message boxes and open/save file dialogs, reached through replaceable
// functions: the program shows real dialogs, tests install functions that
// record the request and answer it, so no test ever blocks on a dialog.
//
// The libraries use these too, and their host need not be a Qt widget
// program: without a QApplication (or off its thread) a message is one line
// on standard error, a question is answered No and a file dialog is
// cancelled; nothing aborts.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

namespace platform {

enum class MessageButtons { Ok, YesNo, SaveDiscardCancel };
enum class MessageAnswer { Ok, Yes, No, Save, Discard, Cancel };
enum class MessageIcon { None, Information, Warning, Error, Question };

struct MessageRequest {
    QString text;
    QString caption;
    MessageButtons buttons = MessageButtons::Ok;
    MessageIcon icon = MessageIcon::None;
    QWidget* owner = nullptr;
};

using MessageFunction = std::function<MessageAnswer(const MessageRequest&)>;

// Shows a modal message box (or asks the installed function).
MessageAnswer ShowMessage(const MessageRequest& request);
// Convenience: one OK button.
void ShowMessage(const QString& text, const QString& caption, QWidget* owner = nullptr);
// Installs a replacement (an empty function restores the real dialog);
// returns the previous one.
MessageFunction SetMessageFunction(MessageFunction function);

enum class FileDialogKind { Open, Save };

struct FileDialogRequest {
    FileDialogKind kind = FileDialogKind::Open;
    QString title;
    QString filter;            // Qt filter text, for example "Wave Files (*.wav)"
    QString defaultExtension;  // without the dot; appended when the name has none
    QString initialName;
    bool promptOverwrite = false;
    bool mustExist = false;  // the file (open) or its folder (save) must exist
    QWidget* owner = nullptr;
};

using FileDialogFunction = std::function<QString(const FileDialogRequest&)>;

// The chosen path, or an empty string when the user cancelled.
QString AskFileName(const FileDialogRequest& request);
FileDialogFunction SetFileDialogFunction(FileDialogFunction function);

}  // namespace platform
