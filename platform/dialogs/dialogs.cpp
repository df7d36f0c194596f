#include "dialogs/dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QThread>

#include <cstdio>

namespace platform {

namespace {

MessageFunction& InstalledMessageFunction()
{
    static MessageFunction function;
    return function;
}

FileDialogFunction& InstalledFileDialogFunction()
{
    static FileDialogFunction function;
    return function;
}

QMessageBox::Icon ToQtIcon(MessageIcon icon)
{
    switch (icon) {
    case MessageIcon::Information: return QMessageBox::Information;
    case MessageIcon::Warning: return QMessageBox::Warning;
    case MessageIcon::Error: return QMessageBox::Critical;
    case MessageIcon::Question: return QMessageBox::Question;
    case MessageIcon::None: break;
    }
    return QMessageBox::NoIcon;
}

// Widgets need a widget application, on its own thread. A library's host
// may be anything else: a plain C program, a command-line tool, a thread of
// its own.
bool CanShowWidgets()
{
    const auto* application = qobject_cast<const QApplication*>(QCoreApplication::instance());
    return application && QThread::currentThread() == application->thread();
}

// Without widgets a message is one line on standard error ("caption: text"),
// and a question gets the answer that changes nothing: No, or Cancel.
MessageAnswer PrintMessage(const MessageRequest& request)
{
    QString line = request.caption.isEmpty() ? request.text : request.caption + QStringLiteral(": ") + request.text;
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
    std::fflush(stderr);
    switch (request.buttons) {
    case MessageButtons::YesNo: return MessageAnswer::No;
    case MessageButtons::SaveDiscardCancel: return MessageAnswer::Cancel;
    case MessageButtons::Ok: break;
    }
    return MessageAnswer::Ok;
}

MessageAnswer ShowRealMessage(const MessageRequest& request)
{
    if (!CanShowWidgets())
        return PrintMessage(request);
    QMessageBox box(ToQtIcon(request.icon), request.caption, request.text, QMessageBox::NoButton, request.owner);
    if (request.buttons == MessageButtons::YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        return box.exec() == QMessageBox::Yes ? MessageAnswer::Yes : MessageAnswer::No;
    }
    if (request.buttons == MessageButtons::SaveDiscardCancel) {
        // The same words on every desktop (some themes name Discard otherwise);
        // Escape and the window's close button answer Cancel.
        box.setStandardButtons(QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
        box.button(QMessageBox::Save)->setText("&Save");
        box.button(QMessageBox::Discard)->setText("&Discard");
        box.button(QMessageBox::Cancel)->setText("Cancel");
        box.setDefaultButton(QMessageBox::Save);
        box.setEscapeButton(QMessageBox::Cancel);
        const int answer = box.exec();
        return answer == QMessageBox::Save      ? MessageAnswer::Save
               : answer == QMessageBox::Discard ? MessageAnswer::Discard
                                                : MessageAnswer::Cancel;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return MessageAnswer::Ok;
}

QString WithDefaultExtension(const QString& path, const QString& extension)
{
    if (path.isEmpty() || extension.isEmpty() || !QFileInfo(path).suffix().isEmpty())
        return path;
    return path + "." + extension;
}

QString AskRealFileName(const FileDialogRequest& request)
{
    if (!CanShowWidgets())
        return QString();  // as if cancelled
    QFileDialog dialog(request.owner, request.title, QString(), request.filter);
    dialog.setAcceptMode(request.kind == FileDialogKind::Save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(request.kind == FileDialogKind::Open && request.mustExist ? QFileDialog::ExistingFile
                                                                                 : QFileDialog::AnyFile);
    if (!request.defaultExtension.isEmpty())
        dialog.setDefaultSuffix(request.defaultExtension);
    if (!request.promptOverwrite)
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (!request.initialName.isEmpty())
        dialog.selectFile(request.initialName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return WithDefaultExtension(dialog.selectedFiles().first(), request.defaultExtension);
}

}  // namespace

MessageAnswer ShowMessage(const MessageRequest& request)
{
    if (const MessageFunction& replacement = InstalledMessageFunction())
        return replacement(request);
    return ShowRealMessage(request);
}

void ShowMessage(const QString& text, const QString& caption, QWidget* owner)
{
    MessageRequest request;
    request.text = text;
    request.caption = caption;
    request.owner = owner;
    ShowMessage(request);
}

MessageFunction SetMessageFunction(MessageFunction function)
{
    MessageFunction previous = std::move(InstalledMessageFunction());
    InstalledMessageFunction() = std::move(function);
    return previous;
}

QString AskFileName(const FileDialogRequest& request)
{
    if (const FileDialogFunction& replacement = InstalledFileDialogFunction())
        return replacement(request);
    return AskRealFileName(request);
}

FileDialogFunction SetFileDialogFunction(FileDialogFunction function)
{
    FileDialogFunction previous = std::move(InstalledFileDialogFunction());
    InstalledFileDialogFunction() = std::move(function);
    return previous;
}

}  // namespace platform
