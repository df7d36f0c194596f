// TCodecMessageForm: explains that the machine's MP3 codec can only decode,
// and where to get an encoder.
#pragma once

#include <QDialog>
#include <QUrl>

#include <functional>

class QLabel;
class QPushButton;

// Where the user can get an MP3 encoder.
inline const QUrl kCodecDownloadUrl{QStringLiteral("https://lame.sourceforge.io/")};

// Opens a web page; the desktop's browser unless a test installs another.
using UrlOpener = std::function<void(const QUrl&)>;
UrlOpener DesktopUrlOpener();

class TCodecMessageForm : public QDialog {
    Q_OBJECT
public:
    explicit TCodecMessageForm(QWidget* parent = nullptr);

    void SetDownloadUrl(const QUrl& url);
    const QUrl& downloadUrl() const { return downloadUrl_; }
    void SetUrlOpener(UrlOpener opener) { openUrl_ = std::move(opener); }

    QLabel* ProblemLabel;
    QLabel* GoToLabel;
    QLabel* LinkLabel;
    QLabel* FollowLabel;
    QLabel* InstallLabel;
    QLabel* RenameLabel;
    QPushButton* OKButton;

    void LinkLabelClick();

private:
    QUrl downloadUrl_;
    UrlOpener openUrl_;
};
