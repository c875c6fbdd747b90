// runebox-tool render: the character table (or the big-character view) drawn offscreen
// into a PNG file.
#include "ToolCommand.h"
#include "ToolTable.h"

#include "model/RbxLayout.h"

#include "core/Types.h"
#include "model/CharacterText.h"
#include "table/widgets/RbxBigCharView.h"
#include "table/widgets/RbxCharView.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QScrollBar>

namespace {

struct Options {
    QString font, layout = QStringLiteral("Unicode Blocks"), output;
    int width = 0, height = 0;
    std::optional<double> top;
    std::optional<std::size_t> select;
    bool dark = false;
    int view = 1;
    char32_t big = 0;
    char32_t at = 0;
};

bool parse(const QStringList& args, Options& o) {
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        auto value = [&](QString* v) {
            if (i + 1 >= args.size()) return false;
            *v = args[++i];
            return true;
        };
        QString v;
        if (a == QLatin1String("--font")) {
            if (!value(&o.font)) return false;
        } else if (a == QLatin1String("--layout")) {
            if (!value(&o.layout)) return false;
        } else if (a == QLatin1String("-o")) {
            if (!value(&o.output)) return false;
        } else if (a == QLatin1String("--size")) {
            if (!value(&v) || !tool::table::parseSize(v, &o.width, &o.height)) return false;
        } else if (a == QLatin1String("--top")) {
            bool ok = false;
            if (!value(&v)) return false;
            o.top = v.toDouble(&ok);
            if (!ok || *o.top < 0) return false;
        } else if (a == QLatin1String("--select")) {
            bool ok = false;
            if (!value(&v)) return false;
            o.select = v.toULongLong(&ok);
            if (!ok) return false;
        } else if (a == QLatin1String("--view")) {
            if (!value(&v) || (v != QLatin1String("1") && v != QLatin1String("3"))) return false;
            o.view = v.toInt();
        } else if (a == QLatin1String("--dark")) {
            o.dark = true;
        } else if (a == QLatin1String("--big") || a == QLatin1String("--at")) {
            if (!value(&v) || !v.startsWith(QLatin1String("U+"), Qt::CaseInsensitive)) return false;
            bool ok = false;
            const uint c = v.mid(2).toUInt(&ok, 16);
            if (!ok || c == 0 || c > 0x10FFFF) return false;
            (a == QLatin1String("--big") ? o.big : o.at) = c;
        } else {
            return false;
        }
    }
    return !o.font.isEmpty() && !o.output.isEmpty() && o.width > 0 && o.height > 0;
}

int renderBig(const Options& o, const rbx::Font& font) {
    RbxBigCharView view;
    view.setAttribute(Qt::WA_DontShowOnScreen);
    view.resize(o.width, o.height);
    view.setFont(font, CharacterText::stringWithCharacter(o.big), false);
    QImage image(view.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter p(&image);
    view.drawRect(p);
    p.end();
    if (!image.save(o.output, "PNG")) {
        tool::err() << "cannot write " << o.output << Qt::endl;
        return 1;
    }
    return 0;
}

int runRender(const QStringList& args) {
    Options o;
    if (!parse(args, o)) return tool::usage("render");
    tool::table::TableSetup setup(o.view);
    QString error;
    if (!setup.bind(o.font, o.big ? RbxLayout::unicodeBlocksName() : o.layout, &error)) {
        tool::err() << error << Qt::endl;
        return 1;
    }
    if (o.big) return renderBig(o, setup.font());

    RbxCharView view;
    view.setAttribute(Qt::WA_DontShowOnScreen);
    view.setDarkTableOverride(o.dark);
    view.resize(o.width, o.height);
    view.show();
    QApplication::processEvents();
    setup.show(view);
    if (o.top) view.scrollToY(view.tableHeight() - *o.top);
    if (o.at) view.scrollToCharacter(o.at);
    if (o.select) view.selectCharacterAtIndex(*o.select);
    QApplication::processEvents();
    const QImage image = view.grab().toImage();
    if (!image.save(o.output, "PNG")) {
        tool::err() << "cannot write " << o.output << Qt::endl;
        return 1;
    }
    tool::out() << view.table().totalCount() << " characters in " << view.groups().size() << " groups, cells "
                << view.charSize().width() << "x" << view.charSize().height() << ", " << view.charactersPerRow()
                << " per row, table height " << view.tableHeight() << Qt::endl;
    return 0;
}

} // namespace

RBX_TOOL_COMMAND(render,
                 "render --font PSNAME [--layout NAME] [--view 1|3] --size WxH [--top Y | --at U+XXXX] [--select I] [--dark] [--big U+XXXX] -o FILE.png",
                 runRender);
