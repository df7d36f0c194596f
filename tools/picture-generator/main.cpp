// Remakes the artwork of the main window: the up and down pictures of every
// button with their resource file, the program icon, and on request a mock-up
// of the window for judging the pictures together.
//
//   parrotel_picture_generator --pictures DIR [--icons DIR] [--mockup FILE]
//
// Built on demand only: `cmake --build build --target regenerate_pictures`.
#include "catalogue.h"
#include "icon.h"
#include "mockup.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QTextStream>

#include <cstdio>

namespace {

bool SavePng(const QImage &image, const QString &path)
{
    if (image.convertToFormat(QImage::Format_ARGB32).save(path, "PNG"))
        return true;
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    return false;
}

bool WriteText(const QString &path, const QString &text)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(text.toUtf8()) == text.toUtf8().size())
        return true;
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    return false;
}

QString ResourceFile(const std::vector<ButtonPicture> &pictures)
{
    QString text;
    QTextStream out(&text);
    out << "<!DOCTYPE RCC>\n<!-- Made by parrotel_picture_generator; remake rather than edit. -->\n"
        << "<RCC version=\"1.0\">\n  <qresource prefix=\"/pictures\">\n";
    for (const ButtonPicture &picture : pictures)
        for (const char *state : {"up", "down"})
            out << "    <file>" << picture.stem << '-' << state << ".png</file>\n";
    out << "  </qresource>\n  <qresource prefix=\"/icons\">\n";
    for (int size : kIconPngSizes)
        out << "    <file alias=\"parrotel-" << size << ".png\">../desktop/" << IconPngPath(size) << "</file>\n";
    out << "  </qresource>\n</RCC>\n";
    return text;
}

bool WritePictures(const QString &folder, const std::vector<ButtonPicture> &pictures)
{
    QDir().mkpath(folder);
    for (const ButtonPicture &picture : pictures) {
        for (bool down : {false, true}) {
            const QString name = picture.stem + (down ? "-down.png" : "-up.png");
            if (!SavePng(picture.paint(down), QDir(folder).filePath(name)))
                return false;
        }
    }
    return WriteText(QDir(folder).filePath("pictures.qrc"), ResourceFile(pictures));
}

bool WriteIcons(const QString &folder)
{
    for (int size : kIconPngSizes) {
        const QString path = QDir(folder).filePath(IconPngPath(size));
        QDir().mkpath(QFileInfo(path).path());
        if (!SavePng(PaintIcon(size), path))
            return false;
    }
    const QString svg = QDir(folder).filePath(IconSvgPath());
    QDir().mkpath(QFileInfo(svg).path());
    return WriteText(svg, IconSvg());
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    QCommandLineParser parser;
    parser.setApplicationDescription("Remakes the button pictures and the program icon.");
    parser.addHelpOption();
    parser.addOption({"pictures", "Write the button pictures and pictures.qrc into <folder>.", "folder"});
    parser.addOption({"icons", "Write the program icon (SVG and PNG) under <folder>.", "folder"});
    parser.addOption({"mockup", "Write a mock-up of the main window to <file>.", "file"});
    parser.addOption({"down", "Buttons (picture stems, comma-separated) pressed in the mock-up.", "stems"});
    parser.process(app);

    // Pictures made with a stand-in font would quietly change every word.
    if (!QFontDatabase::families().contains(QStringLiteral("DejaVu Sans Condensed"))) {
        std::fprintf(stderr, "the font \"DejaVu Sans Condensed\" is missing (Debian: fonts-dejavu-extra)\n");
        return 1;
    }

    const std::vector<ButtonPicture> pictures = ButtonPictures();
    bool ok = true;
    if (parser.isSet("pictures"))
        ok = ok && WritePictures(parser.value("pictures"), pictures);
    if (parser.isSet("icons"))
        ok = ok && WriteIcons(parser.value("icons"));
    if (parser.isSet("mockup")) {
        const QStringList down = parser.value("down").split(',', Qt::SkipEmptyParts);
        ok = ok && SavePng(PaintMockup(pictures, QSet<QString>(down.begin(), down.end())), parser.value("mockup"));
    }
    return ok ? 0 : 1;
}
