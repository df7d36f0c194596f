#include "codec_message_form.h"

#include <QDesktopServices>
#include <QLabel>
#include <QPushButton>

#include "form_font.h"

namespace {

constexpr int kClientWidth = 400;
constexpr int kClientHeight = 232;

QLabel* TextLabel(QWidget* parent, const QString& text, QRect geometry)
{
    auto* label = new QLabel(text, parent);
    label->setFont(mp3::DialogFont());
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setGeometry(geometry);
    return label;
}

}  // namespace

UrlOpener DesktopUrlOpener()
{
    return [](const QUrl& url) { QDesktopServices::openUrl(url); };
}

TCodecMessageForm::TCodecMessageForm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      openUrl_(DesktopUrlOpener())
{
    setWindowTitle(QStringLiteral("Tavrin Audio Parrotel"));
    setFont(mp3::DialogFont());
    setFixedSize(kClientWidth, kClientHeight);
    setModal(true);

    ProblemLabel = TextLabel(this,
                             QStringLiteral("You have a version of the Fraunhofer MP3 converter installed on your "
                                            "computer that will only convert from MP3 to wave, not from wave to MP3.  "
                                            "There are two ways to correct this problem."),
                             QRect(16, 12, 368, 44));
    GoToLabel = TextLabel(this, QStringLiteral("1. Go to"), QRect(16, 68, 48, 16));
    LinkLabel = new QLabel(this);
    LinkLabel->setFont(mp3::DialogFont(true));
    LinkLabel->setGeometry(64, 68, 320, 16);
    LinkLabel->setCursor(Qt::PointingHandCursor);
    LinkLabel->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    connect(LinkLabel, &QLabel::linkActivated, this, [this] { LinkLabelClick(); });
    FollowLabel = TextLabel(this, QStringLiteral("Follow the links to download and"), QRect(28, 88, 356, 16));
    InstallLabel = TextLabel(this, QStringLiteral("install the Lame encoder."), QRect(28, 106, 356, 16));
    RenameLabel = TextLabel(this,
                            QStringLiteral("2. Find the file l3codecx.acm in your Windows\\System folder.  Rename "
                                           "this file, then re-install Windows Media Player 7."),
                            QRect(16, 132, 368, 44));
    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setGeometry((kClientWidth - 75) / 2, 190, 75, 25);
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);

    SetDownloadUrl(kCodecDownloadUrl);
}

void TCodecMessageForm::SetDownloadUrl(const QUrl& url)
{
    downloadUrl_ = url;
    const QString shown = url.toString().toHtmlEscaped();
    LinkLabel->setText(QStringLiteral("<a href=\"%1\" style=\"color:#0000ff; font-weight:bold; "
                                      "text-decoration:underline\">%1</a>")
                           .arg(shown));
}

void TCodecMessageForm::LinkLabelClick()
{
    if (openUrl_)
        openUrl_(downloadUrl_);
}
