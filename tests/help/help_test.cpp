// The help pages beside the built program, read with the browser the help
// window uses: every link leads to a page and place that exist, every page
// can be reached from the contents, the button pictures it shows (from the
// program's resources) load, and the style sheet takes effect.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QSet>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QUrl>

#include <map>
#include <memory>

namespace {

QString HelpFolder()
{
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("help"));
}

struct Page {
    std::unique_ptr<QTextBrowser> browser;
    QStringList links;        // every href, as written
    QSet<QString> placeNames; // every <a name>
    QStringList images;       // every <img src>
};

Page Open(const QString &file)
{
    Page page;
    page.browser = std::make_unique<QTextBrowser>();
    page.browser->setSearchPaths({HelpFolder()});
    page.browser->setSource(QUrl::fromLocalFile(QDir(HelpFolder()).filePath(file)));
    const QTextDocument *document = page.browser->document();
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            if (!format.anchorHref().isEmpty())
                page.links << format.anchorHref();
            for (const QString &name : format.anchorNames())
                page.placeNames.insert(name);
            if (format.isImageFormat())
                page.images << format.toImageFormat().name();
        }
    }
    return page;
}

// Opens the contents and every page it leads to, following links.
std::map<QString, Page> OpenAllReachable()
{
    std::map<QString, Page> pages;
    QStringList queue{QStringLiteral("index.html")};
    while (!queue.isEmpty()) {
        const QString file = queue.takeFirst();
        if (pages.count(file) || !QFileInfo::exists(QDir(HelpFolder()).filePath(file)))
            continue;
        Page page = Open(file);
        for (const QString &link : page.links)
            queue << QUrl(link).path();
        pages.emplace(file, std::move(page));
    }
    return pages;
}

} // namespace

TEST(Help, EveryLinkLeadsToAPageAndPlaceThatExist)
{
    const std::map<QString, Page> pages = OpenAllReachable();
    ASSERT_TRUE(pages.count("index.html")) << "no help beside the program in " << HelpFolder().toStdString();
    for (const auto &[file, page] : pages) {
        for (const QString &link : page.links) {
            SCOPED_TRACE((file + " -> " + link).toStdString());
            const QUrl url(link);
            EXPECT_TRUE(url.isRelative()) << "the help works offline: no links out of it";
            const QString target = url.path().isEmpty() ? file : url.path();
            ASSERT_TRUE(pages.count(target)) << "missing page";
            if (url.hasFragment()) {
                EXPECT_TRUE(pages.at(target).placeNames.contains(url.fragment())) << "missing place";
            }
        }
    }
}

TEST(Help, EveryPictureLoads)
{
    int pictures = 0;
    for (const auto &[file, page] : OpenAllReachable()) {
        for (const QString &image : page.images) {
            SCOPED_TRACE((file + " shows " + image).toStdString());
            const QVariant data = page.browser->loadResource(QTextDocument::ImageResource, QUrl(image));
            EXPECT_FALSE(QImage::fromData(data.toByteArray()).isNull());
            ++pictures;
        }
    }
    EXPECT_GE(pictures, 13) << "the effects page shows every effect button";
}

TEST(Help, EveryPageCanBeReachedFromTheContents)
{
    const std::map<QString, Page> pages = OpenAllReachable();
    const QStringList files = QDir(HelpFolder()).entryList({QStringLiteral("*.html")}, QDir::Files);
    ASSERT_GE(files.size(), 5);
    for (const QString &file : files)
        EXPECT_TRUE(pages.count(file)) << file.toStdString() << " is not linked from the contents";
}

TEST(Help, PagesAreTitledAndStyled)
{
    for (const auto &[file, page] : OpenAllReachable()) {
        SCOPED_TRACE(file.toStdString());
        const QTextDocument *document = page.browser->document();
        EXPECT_TRUE(document->metaInformation(QTextDocument::DocumentTitle).endsWith("Warblecast Help"));
        int headings = 0;
        for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
            if (block.blockFormat().headingLevel() != 1)
                continue;
            ++headings;
            // The heading colour comes from style.css: the browser found the
            // style sheet and understood it.
            ASSERT_FALSE(block.begin().atEnd());
            EXPECT_EQ(block.begin().fragment().charFormat().foreground().color(), QColor(0x0b, 0x5a, 0x6e));
        }
        EXPECT_EQ(headings, 1);
    }
}

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
