#include "kxlib/gui/AttributedStringDocument.h"

#include "kxlib/gui/FlagAttachmentCell.h"
#include "kxlib/gui/FlagObjectHandler.h"

#include <QAbstractTextDocumentLayout>
#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QPainter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextObjectInterface>

namespace kx {

namespace {

void registerFlagHandler(QTextDocument* document) {
    QAbstractTextDocumentLayout* layout = document->documentLayout();
    if (layout->handlerForObject(FlagObjectHandler::ObjectType)) return;
    layout->registerHandler(FlagObjectHandler::ObjectType, new FlagObjectHandler(document));
}

Qt::Alignment qtAlignment(TextAlignment a) {
    switch (a) {
    case TextAlignment::Left: return Qt::AlignLeft | Qt::AlignAbsolute;
    case TextAlignment::Center: return Qt::AlignHCenter;
    case TextAlignment::Right: return Qt::AlignRight | Qt::AlignAbsolute;
    case TextAlignment::Justified: return Qt::AlignJustify;
    case TextAlignment::Natural: break;
    }
    return Qt::AlignLeading;
}

QTextCharFormat charFormat(const TextAttributes& a) {
    QTextCharFormat f;
    if (a.font) f.setFont(qFont(*a.font), QTextCharFormat::FontPropertiesSpecifiedOnly);
    if (a.foreground) f.setForeground(QColor::fromRgba(*a.foreground));
    if (a.background) f.setBackground(QColor::fromRgba(*a.background));
    if (!a.link.isEmpty()) {
        f.setAnchor(true);
        f.setAnchorHref(a.link);
    }
    return f;
}

QByteArray pngOf(const QImage& image) {
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return png;
}

} // namespace

QFont qFont(const TextFont& font) {
    QFont f(font.family);
    if (font.family.isEmpty()) f = QFont();
    f.setPixelSize(std::max(1, qRound(font.pointSize)));
    f.setBold(font.bold);
    f.setItalic(font.italic);
    return f;
}

TextFont textFont(const QFont& font) {
    const double size = font.pixelSize() > 0 ? font.pixelSize() : font.pointSizeF();
    return TextFont{font.family(), size, font.bold(), font.italic()};
}

void insertAttributedString(QTextCursor& cursor, const AttributedString& text) {
    QTextDocument* document = cursor.document();
    int imageNumber = 0;
    for (const AttributedString::Run& run : text.runs()) {
        const TextAttributes& a = run.attributes;
        const QTextCharFormat format = charFormat(a);
        const qsizetype blockStart = cursor.position();
        if (a.attachment) {
            const QImage image = QImage::fromData(a.attachment->data, "PNG");
            for (qsizetype i = 0; i < run.length; ++i) {
                if (a.attachment->forDrawingOnly) {
                    registerFlagHandler(document);
                    QTextCharFormat object = format;
                    object.setObjectType(FlagObjectHandler::ObjectType);
                    object.setProperty(FlagObjectHandler::ImageProperty, image);
                    object.setProperty(FlagObjectHandler::SizeProperty, QSizeF(a.attachment->width, a.attachment->height));
                    cursor.insertText(QString(QChar::ObjectReplacementCharacter), object);
                } else {
                    const QString name = QStringLiteral("attachment%1/%2").arg(++imageNumber).arg(a.attachment->fileName);
                    document->addResource(QTextDocument::ImageResource, QUrl(name), image);
                    QTextImageFormat img;
                    img.merge(format);
                    img.setName(name);
                    img.setWidth(a.attachment->width);
                    img.setHeight(a.attachment->height);
                    cursor.insertImage(img);
                }
            }
        } else {
            // Line feeds begin new blocks.
            const QStringList lines = text.string().mid(run.start, run.length).split(u'\n');
            for (qsizetype l = 0; l < lines.size(); ++l) {
                if (l > 0) cursor.insertBlock(cursor.blockFormat(), format);
                cursor.insertText(lines[l], format);
            }
        }
        if (a.alignment) {
            QTextCursor blocks(document);
            blocks.setPosition(int(blockStart));
            blocks.setPosition(cursor.position(), QTextCursor::KeepAnchor);
            QTextBlockFormat bf;
            bf.setAlignment(qtAlignment(*a.alignment));
            bf.setTopMargin(a.paragraphSpacing);
            bf.setBottomMargin(a.paragraphSpacing);
            blocks.mergeBlockFormat(bf);
        }
    }
}

void setDocumentText(QTextDocument& document, const AttributedString& text) {
    document.clear();
    QTextCursor cursor(&document);
    insertAttributedString(cursor, text);
}

AttributedString attributedStringWithImage(const QImage& image) {
    return AttributedString::withImage(pngOf(image), image.width(), image.height());
}

AttributedString attributedStringForDrawingWithImage(const QImage& image) {
    return AttributedString::forDrawingWithImage(pngOf(image), image.width(), image.height());
}

void copyToClipboard(const AttributedString& text) {
    if (QClipboard* clipboard = QGuiApplication::clipboard()) clipboard->setMimeData(text.mimeData());
}

} // namespace kx

