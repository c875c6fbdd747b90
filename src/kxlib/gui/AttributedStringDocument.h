#pragma once
// Styled texts on screen, on paper and on the clipboard: a kx::AttributedString written into
// a QTextDocument (fonts made by pixel size, one point being one pixel; paragraph alignment
// and spacing per block; file attachments as images, drawing attachments through
// FlagAttachmentCell), images made into attachments, and the text put on the clipboard
// as text/plain and text/html.

#include "kxlib/AttributedString.h"

#include <QFont>
#include <QImage>

class QTextCursor;
class QTextDocument;

namespace kx {

QFont qFont(const TextFont& font);
TextFont textFont(const QFont& font);

// Writes the text at the cursor.
void insertAttributedString(QTextCursor& cursor, const AttributedString& text);
// Replaces the document's content by the text.
void setDocumentText(QTextDocument& document, const AttributedString& text);

// An image as an attachment that travels as "picture.png".
AttributedString attributedStringWithImage(const QImage& image);
// An image as an attachment for drawing only.
AttributedString attributedStringForDrawingWithImage(const QImage& image);

// Puts the text on the clipboard the way a text view's Copy does.
void copyToClipboard(const AttributedString& text);

} // namespace kx
