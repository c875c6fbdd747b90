// runebox-tool sample: the sample texts, the preview rendered into a PNG file, and the
// printed pages written into a PDF file, as the palette makes them.
//   sample titles
//   sample preview --font PSNAME [--sample TITLE] [--size WxH] -o FILE.png
//   sample print --font PSNAME [--sample TITLE] [--preview] [--points N] -o FILE.pdf
#include "ToolCommand.h"
#include "ToolModel.h"
#include "ToolTable.h"

#include "app/RbxTextEditView.h"
#include "app/SamplePages.h"
#include "core/LocalizedStrings.h"
#include "kxlib/gui/AttributedStringDocument.h"
#include "model/FontExtensions.h"
#include "model/RbxFontInfoRepertoire.h"
#include "model/RbxSampleText.h"

#include <QImage>
#include <QPainter>

namespace {

struct Options {
    QString font, title, output;
    int width = 460, height = 4000;
    double points = 18;
    bool preview = false;
};

bool parse(const QStringList& args, Options& o) {
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == QLatin1String("--preview")) {
            o.preview = true;
            continue;
        }
        if (i + 1 >= args.size()) return false;
        const QString v = args[++i];
        if (a == QLatin1String("--font"))
            o.font = v;
        else if (a == QLatin1String("--sample"))
            o.title = v;
        else if (a == QLatin1String("-o"))
            o.output = v;
        else if (a == QLatin1String("--size")) {
            if (!tool::table::parseSize(v, &o.width, &o.height)) return false;
        } else if (a == QLatin1String("--points")) {
            bool ok = false;
            o.points = v.toDouble(&ok);
            if (!ok || o.points < 1 || o.points > 512) return false;
        } else {
            return false;
        }
    }
    return !o.font.isEmpty() && !o.output.isEmpty();
}

int runSample(const QStringList& args) {
    if (args.isEmpty()) return tool::usage("sample");
    if (args[0] == QLatin1String("titles")) {
        for (const QString& t : RbxSampleText::sampleTextTitles()) tool::out() << t << "\n";
        return 0;
    }
    Options o;
    if ((args[0] != QLatin1String("preview") && args[0] != QLatin1String("print")) || !parse(args, o))
        return tool::usage("sample");
    const rbx::Font font = rbx::font::availableFontWithName(o.font, 12);
    if (!font) {
        tool::err() << "no font named " << o.font << Qt::endl;
        return 1;
    }
    // The font is the selected one, for the repertoire sample.
    const auto repertoire = RbxFontInfoRepertoire::repertoireOfFont(font);
    tool::FontSelection selection(repertoire.get());
    const QString title = o.title.isEmpty() ? RbxSampleText::selectedSampleTextTitle() : o.title;
    if (!RbxSampleText::sampleTextTitles().contains(title)) {
        tool::err() << "no sample titled " << title << Qt::endl;
        return 1;
    }
    const QString sample = RbxSampleText::sampleTextWithTitle(title);

    if (args[0] == QLatin1String("preview")) {
        RbxTextEditView view;
        view.resize(o.width, o.height);
        view.document()->setDocumentMargin(4);
        view.setCoveredCharacters(std::make_shared<const kx::CharSet>(font->coveredCharacters()));
        kx::setDocumentText(*view.document(), rbx::sample::previewText(font, sample, kx::loc(QStringLiteral("__PREVIEW_TOP__"))));
        view.updateHighlighting();
        view.document()->setTextWidth(o.width);
        const int height = std::min(o.height, int(std::ceil(view.document()->size().height())));
        QImage image(o.width, std::max(height, 1), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::white);
        {
            QPainter p(&image);
            view.document()->drawContents(&p, QRectF(0, 0, o.width, height));
        }
        if (!image.save(o.output, "PNG")) {
            tool::err() << "cannot write " << o.output << Qt::endl;
            return 1;
        }
        return 0;
    }
    if (!RbxSampleText::isPrintable(sample)) {
        tool::err() << "the sample has nothing to print" << Qt::endl;
        return 1;
    }
    if (!rbx::sample::printToPdf(o.output, o.preview ? rbx::sample::Page::Preview : rbx::sample::Page::SampleText,
                                 font, sample, o.points)) {
        tool::err() << "cannot print: the print module is missing" << Qt::endl;
        return 1;
    }
    return 0;
}

} // namespace

RBX_TOOL_COMMAND(sample, "sample titles | preview|print --font PSNAME [--sample TITLE] [--size WxH] [--preview] [--points N] -o FILE",
                 runSample);
