#pragma once
// The sample text as the preview shows it and as it is printed: the styled texts of the
// preview (the sample in fourteen sizes) and of the editor, and the two printed pages,
// each one page with the print banner and a heading: the editor's text repeated to fill
// the page, or the specimen of the sample in six sizes laid out from the bottom up.
// The palette prints them through Qt's print dialog, a sheet on the palette; with
// RUNEBOX_PRINT_TO_PDF set to a file path they go straight into that PDF file.

#include "kxlib/AttributedString.h"
#include "platform/fonts/Font.h"

#include <QSizeF>
#include <QString>
#include <memory>

class QPainter;
class QPrinter;
class QWidget;

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
// Prints the page on the printer (its job title set by the caller).
void printPage(QPrinter& printer, Page page, const rbx::Font& font, const QString& sample, double size);
// A printer for the page, its job titled with the font (and the size of the text).
std::unique_ptr<QPrinter> printerFor(Page page, const rbx::Font& font, double size);
// The PDF file that RUNEBOX_PRINT_TO_PDF names; "" when pages go through the print dialog.
QString printToPdfFile();
// Prints the page straight into the PDF file (logged as "printed to <file>").
void printToPdf(const QString& file, Page page, const rbx::Font& font, const QString& sample, double size);

} // namespace rbx::sample
