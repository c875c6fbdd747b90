#pragma once
// The sample text as the preview shows it and as it is printed: the styled texts of the
// preview (the sample in fourteen sizes) and of the editor, and the two printed pages,
// each one page with the print banner and a heading: the editor's text repeated to fill
// the page, or the specimen of the sample in six sizes laid out from the bottom up.
// They are printed through the print module: into a PDF file at once, or through its print
// dialog, which the palette shows as a sheet.

#include "kxlib/AttributedString.h"
#include "platform/fonts/Font.h"

#include <QSizeF>
#include <QString>

class QDialog;
class QPainter;

namespace rbx::sample {

// The sample's alignment setting: justified (3) or natural.
kx::TextAlignment sampleAlignment();

// The text in the font at a size (points as pixels), aligned, with spacing before and
// after each paragraph.
kx::TextAttributes textAttributes(const rbx::Font& font, double size, kx::TextAlignment alignment, double spacing = 0);

// The preview: the introduction centred at 14 points, two line feeds, then one paragraph
// per size of the sample with its size as prefix, separated by empty lines.
kx::AttributedString previewText(const rbx::Font& font, const QString& sample, const QString& introduction);

// Draws (when `painter` is given) a heading centred over `pageWidth`: the text and a line
// feed in the system font at 18 points, shrunk a point at a time while wider than
// `maxWidth` (down to 8), with space before and after as a banner of `height` needs;
// answers the height it takes.
double drawHeader(QPainter* painter, const QString& text, double maxWidth, double height, double pageWidth);

// The printed pages, in points (one point = one unit of the painter).
void paintSampleTextPage(QPainter& painter, const QSizeF& page, const rbx::Font& font, const QString& sample, double size);
void paintPreviewPage(QPainter& painter, const QSizeF& page, const rbx::Font& font, const QString& sample);

// A page's part: the paragraph "<size> pt: sample" in the font at `size`, cut after the
// last whole line within `height`; answers the height used (the first line's when even
// that is higher) and draws it at the painter's origin when a painter is given.
double previewPart(QPainter* painter, const QString& paragraph, const rbx::Font& font, double size, double width, double height);

enum class Page { SampleText, Preview };
// Prints the page into a PDF file at once; false when the print module cannot be loaded.
bool printToPdf(const QString& file, Page page, const rbx::Font& font, const QString& sample, double size);
// The print dialog for the page, not yet shown: it prints when the user accepts it and
// deletes itself when it closes. Null when the print module cannot be loaded.
QDialog* printDialog(Page page, const rbx::Font& font, const QString& sample, double size);
// The PDF file that RUNEBOX_PRINT_TO_PDF names, where the palette prints without the
// dialog; "" when it is not set.
QString printToPdfFile();

} // namespace rbx::sample
