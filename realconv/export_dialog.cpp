#include "export_dialog.h"

#include "dialogs/dialogs.h"
#include "realaudio_export.h"

#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <unistd.h>

#include <initializer_list>
#include <system_error>

namespace realconv {

namespace {

// The dialog's size in dialog units: a quarter of the average character
// width across, an eighth of the line height down.
constexpr int kWidthUnits = 275;
constexpr int kHeightUnits = 133;
constexpr int kMaxClipTextLength = 1023;

QLabel* AddLabel(QGridLayout* grid, const QString& text, int row, int column, QWidget* buddy = nullptr)
{
    auto* label = new QLabel(text);
    if (buddy)
        label->setBuddy(buddy);
    grid->addWidget(label, row, column);
    return label;
}

QLineEdit* NewClipTextBox(const char* id)
{
    auto* box = new QLineEdit;
    box->setObjectName(id);
    box->setMaxLength(kMaxClipTextLength);
    return box;
}

// The folder part of a path: everything before the last separator.
QString FolderOf(const QString& path)
{
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0)
        return QString();
    return slash == 0 ? QStringLiteral("/") : path.left(slash);
}

// A file the export can write: in a folder that exists and takes new files,
// not a folder itself, and short enough for the caller's buffer.
bool IsUsableTarget(const QString& path)
{
    const QString folder = FolderOf(path);
    return !folder.isEmpty() && QFileInfo(folder).isDir() && access(QFile::encodeName(folder), W_OK | X_OK) == 0 &&
           !QFileInfo(path).isDir() && !path.endsWith('/') && QFile::encodeName(path).size() <= kMaxPathBytes;
}

// What the user is told when a conversion failed: the file, and why.
QString FailureMessage(int32_t result, const QString& target)
{
    if (result == kResultCannotWriteFile)
        return QStringLiteral("Cannot write file: ") + target;
    return QStringLiteral("Cannot export %1: %2.").arg(target, QString::fromUtf8(DescribeResult(result)));
}

}  // namespace

ExportDialog::ExportDialog(ExportState& state, QWidget* owner) : QDialog(owner), state_(state)
{
    setWindowTitle("Export Sound to RealAudio");
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    buildControls();
    const QFontMetrics metrics(font());
    setMinimumSize(kWidthUnits * metrics.averageCharWidth() / 4, kHeightUnits * metrics.height() / 8);
    fileBox_->setText(state_.targetPath);
}

ExportDialog::~ExportDialog()
{
    state_.stop = true;
    if (worker_.joinable())
        worker_.join();
}

void ExportDialog::buildControls()
{
    auto* grid = new QGridLayout;

    fileBox_ = new QLineEdit;
    fileBox_->setObjectName(control::kFileBox);
    fileBox_->setMaxLength(kMaxPathBytes);
    browseButton_ = new QPushButton("B&rowse..");
    browseButton_->setObjectName(control::kBrowseButton);
    browseButton_->setAutoDefault(false);
    AddLabel(grid, "Exported File:", 0, 0, fileBox_);
    grid->addWidget(fileBox_, 0, 1, 1, 3);
    grid->addWidget(browseButton_, 0, 4);

    AddLabel(grid, "Encoder :", 1, 0);
    AddLabel(grid, "RealAudio G2 6.0", 1, 1)->setObjectName(control::kEncoderLabel);
    AddLabel(grid, "Format :", 1, 2);
    AddLabel(grid, "Voice", 1, 3);

    titleBox_ = NewClipTextBox(control::kTitleBox);
    authorBox_ = NewClipTextBox(control::kAuthorBox);
    copyrightBox_ = NewClipTextBox(control::kCopyrightBox);
    AddLabel(grid, "Title :", 2, 0, titleBox_);
    grid->addWidget(titleBox_, 2, 1, 1, 4);
    AddLabel(grid, "Author :", 3, 0, authorBox_);
    grid->addWidget(authorBox_, 3, 1, 1, 4);
    AddLabel(grid, "Copyright :", 4, 0, copyrightBox_);
    grid->addWidget(copyrightBox_, 4, 1, 1, 4);

    selectiveRecordBox_ = new QCheckBox("Enable Selective Record");
    selectiveRecordBox_->setObjectName(control::kSelectiveRecordBox);
    perfectPlayBox_ = new QCheckBox("Enable Perfect Play");
    perfectPlayBox_->setObjectName(control::kPerfectPlayBox);
    grid->addWidget(selectiveRecordBox_, 5, 1, 1, 2);
    grid->addWidget(perfectPlayBox_, 5, 3, 1, 2);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);

    progressBar_ = new QProgressBar;
    progressBar_->setObjectName(control::kProgressBar);
    progressBar_->setRange(0, 100);
    progressBar_->setVisible(false);
    exportButton_ = new QPushButton("&Export");
    exportButton_->setObjectName(control::kExportButton);
    exportButton_->setDefault(true);
    cancelButton_ = new QPushButton("&Cancel");
    cancelButton_->setObjectName(control::kCancelButton);
    cancelButton_->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(progressBar_, 1);
    buttons->addStretch();
    buttons->addWidget(exportButton_);
    buttons->addWidget(cancelButton_);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addStretch();
    layout->addLayout(buttons);

    connect(browseButton_, &QPushButton::clicked, this, &ExportDialog::browseClicked);
    connect(exportButton_, &QPushButton::clicked, this, &ExportDialog::exportClicked);
    connect(cancelButton_, &QPushButton::clicked, this, &ExportDialog::reject);
}

void ExportDialog::browseClicked()
{
    platform::FileDialogRequest request;
    request.kind = platform::FileDialogKind::Save;
    request.title = "Choose an Output Filename:";
    request.filter = "RealAudio Files (*.ra)";
    request.defaultExtension = "ra";
    request.promptOverwrite = true;
    request.mustExist = true;
    request.owner = this;
    const QString chosen = platform::AskFileName(request);
    if (chosen.isEmpty() || QFile::encodeName(chosen).size() > kMaxPathBytes)
        return;
    fileBox_->setText(chosen);
    state_.targetPath = chosen;
}

bool ExportDialog::confirmTarget(const QString& path)
{
    platform::MessageRequest message;
    message.caption = kMessageTitle;
    if (!IsUsableTarget(path)) {
        message.text = kInvalidPathMessage;
        message.icon = platform::MessageIcon::Warning;
        platform::ShowMessage(message);
        return false;
    }
    if (!QFileInfo::exists(path))
        return true;
    message.text = QString(kOverwriteQuestion).replace("%s", path);
    message.buttons = platform::MessageButtons::YesNo;
    message.icon = platform::MessageIcon::Question;
    return platform::ShowMessage(message) == platform::MessageAnswer::Yes;
}

void ExportDialog::exportClicked()
{
    if (state_.running)
        return;
    state_.targetPath = fileBox_->text();
    if (!confirmTarget(state_.targetPath))
        return;
    setControlsEnabled(false);
    state_.stop = false;
    startWorker();
}

void ExportDialog::startWorker()
{
    ClipInfo clip;
    clip.title = titleBox_->text().toStdString();
    clip.author = authorBox_->text().toStdString();
    clip.copyright = copyrightBox_->text().toStdString();
    clip.selectiveRecord = selectiveRecordBox_->isChecked();
    clip.perfectPlay = perfectPlayBox_->isChecked();
    const std::string target = QFile::encodeName(state_.targetPath).toStdString();

    state_.errorCode = kResultOk;
    state_.running = true;
    showProgress(0);
    try {
        worker_ = std::thread([this, clip, target, source = state_.sourcePath] {
            int shown = -1;
            const auto progress = [this, &shown](int percent) {
                if (percent == shown)
                    return;
                shown = percent;
                QMetaObject::invokeMethod(this, [this, percent] { showProgress(percent); }, Qt::QueuedConnection);
            };
            const int32_t result = ExportWaveToRealAudio(source, target, clip, progress, state_.stop);
            QMetaObject::invokeMethod(this, [this, result] { workerFinished(result); }, Qt::QueuedConnection);
        });
    } catch (const std::system_error&) {
        // No thread: nothing runs, and only Cancel is left to the user.
        state_.running = false;
        state_.completed = false;
        progressBar_->setVisible(false);
    }
}

void ExportDialog::setControlsEnabled(bool enabled)
{
    for (QWidget* control : std::initializer_list<QWidget*>{exportButton_, fileBox_, titleBox_, authorBox_, copyrightBox_,
                                                             selectiveRecordBox_, perfectPlayBox_, browseButton_})
        control->setEnabled(enabled);
}

void ExportDialog::showProgress(int percent)
{
    progressBar_->setVisible(true);
    progressBar_->setValue(percent);
}

void ExportDialog::workerFinished(int32_t result)
{
    if (worker_.joinable())
        worker_.join();
    state_.running = false;
    state_.errorCode = result;
    state_.completed = result == kResultOk;
    setControlsEnabled(true);
    progressBar_->setVisible(false);
    // A stop is the user's own doing; any other failure is told.
    if (result != kResultOk && result != kResultStopped) {
        platform::MessageRequest message;
        message.caption = kMessageTitle;
        message.text = FailureMessage(result, state_.targetPath);
        message.icon = platform::MessageIcon::Warning;
        message.owner = this;
        platform::ShowMessage(message);
    }
    QDialog::done(state_.completed ? QDialog::Accepted : QDialog::Rejected);
}

void ExportDialog::reject()
{
    state_.stop = true;
    state_.completed = false;
    state_.targetPath = fileBox_->text();
    // A running worker ends the dialog itself once it has stopped, so the
    // caller never gets control back while the source is still being read.
    if (state_.running)
        return;
    QDialog::reject();
}

}  // namespace realconv
