// runebox-tool list COMMAND [--font PSNAME] [--layout NAME]: one of the diagnostic
// listings ("fonts", "!glyphs", ...) on standard output, as the palette's maintenance
// command makes it. The font is the selected font of the listings about one font; the
// clipboard is the display's; the table's groups are the layout's for the font. "!time"
// draws a table of its own, offscreen, 600 by 600, in the layout.
#include "ToolCommand.h"
#include "ToolTable.h"

#include "app/RbxListings.h"
#include "model/FontExtensions.h"
#include "kxlib/RbxDefaults.h"
#include "model/RbxFontList.h"
#include "table/widgets/RbxCharView.h"

#include <QApplication>
#include <QClipboard>
#include <QStandardPaths>

namespace {

// The table the timing listing draws: the palette's table, offscreen. The size set for the
// timing stays in this process's memory (the tool changes no settings).
class ToolTimedTable : public rbx::listings::TimedTable {
public:
    explicit ToolTimedTable(const QString& layout) : setup_(1), layout_(layout) {
        view_.setAttribute(Qt::WA_DontShowOnScreen);
        view_.resize(600, 600);
    }
    void prepare() override {
        RbxDefaults::userDefaults().setDouble(30, rbx::key::relativeFontSize.qname());
        view_.show();
        QApplication::processEvents();
    }
    bool showFont(const QString& name) override {
        QString error;
        if (!setup_.bind(name, layout_, &error)) return false;
        setup_.show(view_);
        return true;
    }
    RbxCharView& view() override { return view_; }
    void restore() override { view_.hide(); }

private:
    tool::table::TableSetup setup_;
    QString layout_;
    RbxCharView view_;
};

int runList(const QStringList& args) {
    if (args.isEmpty()) {
        tool::usage("list");
        QStringList words;
        for (const auto& l : rbx::listings::all()) words << QString::fromLatin1(l.command);
        tool::err() << "listings: " << words.join(u' ') << Qt::endl;
        return 2;
    }
    const rbx::listings::Listing* listing = rbx::listings::forCommand(args.first());
    if (!listing) {
        tool::err() << "no listing named " << args.first() << Qt::endl;
        return 2;
    }
    QString fontName, layout = QStringLiteral("Unicode Blocks");
    for (qsizetype i = 1; i < args.size(); ++i) {
        if (i + 1 >= args.size()) return tool::usage("list");
        if (args[i] == QLatin1String("--font"))
            fontName = args[++i];
        else if (args[i] == QLatin1String("--layout"))
            layout = args[++i];
        else
            return tool::usage("list");
    }
    rbx::listings::Context context;
    context.clipboard = QApplication::clipboard() ? QApplication::clipboard()->mimeData() : nullptr;
    context.desktopFolder = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    std::optional<tool::table::TableSetup> setup;
    if (!fontName.isEmpty()) {
        context.selectedFont = rbx::font::availableFontWithName(fontName, 12);
        if (!context.selectedFont) {
            tool::err() << "no font named " << fontName << Qt::endl;
            return 1;
        }
        setup.emplace(1);
        QString error;
        if (setup->bind(fontName, layout, &error)) {
            for (const auto& g : setup->groups())
                if (g->hasCharacterList()) context.groups.push_back({g->name(), int(g->groupKind()), g->characters()});
        } else {
            tool::err() << error << Qt::endl;
            return 1;
        }
    }
    context.fontList = &RbxFontList::fontList();
    std::optional<ToolTimedTable> timed;
    if (listing->make == &rbx::listings::listTimingResults) {
        setup.reset();
        timed.emplace(layout);
        context.timedTable = &*timed;
    }
    tool::out() << listing->make(context);
    return 0;
}

} // namespace

RBX_TOOL_COMMAND(list, "list LISTING [--font PSNAME] [--layout NAME]", runList);
