#include "app/PaletteSearch.h"

#include "app/PaletteContent.h"
#include "app/PaletteFontList.h"
#include "app/PaletteTable.h"
#include "app/PaletteTiming.h"
#include "app/RbxCharApplication.h"
#include "app/RbxListings.h"
#include "app/RbxSearchField.h"
#include "app/SearchTemplates.h"
#include "core/Log.h"
#include "kxlib/RbxDefaults.h"
#include "model/RbxFontList.h"
#include "table/core/RbxTools.h"
#include "table/widgets/RbxCharView.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QMenu>
#include <QStandardPaths>
#include <QWindow>

PaletteSearch::PaletteSearch(RbxDefaults& settings, PaletteTable& table, PaletteContent& content, PaletteFontList& fonts,
                             QWidget* window, QObject* parent)
    : QObject(parent),
      settings_(settings),
      table_(table),
      content_(content),
      fonts_(fonts),
      window_(window),
      menu_(std::make_unique<QMenu>(QStringLiteral("Search Templates"))),
      commands_(*this),
      timing_(std::make_unique<PaletteTiming>(settings, table, *this, window)) {
    connect(menu_.get(), &QMenu::triggered, this, [this](QAction* item) {
        if (!item->data().isValid()) return;
        // The keyboard stays with the field whose menu it was.
        field()->setFocus(Qt::PopupFocusReason);
        enterSearchString(item->data().toString());
    });
    // The search follows the field's text as it is edited (its clear button too); text
    // the program puts in runs its search itself.
    connect(field(), &QLineEdit::textEdited, this, &PaletteSearch::performSearch);
    connect(field(), &QLineEdit::returnPressed, this, &PaletteSearch::performSearch);
}

PaletteSearch::~PaletteSearch() = default;

RbxSearchField* PaletteSearch::field() const { return content_.searchField(); }

void PaletteSearch::buildSearchTemplateMenu() {
    searchtemplates::fillMenu(*menu_, searchtemplates::bundleEntries());
    field()->setTemplateMenu(menu_.get());
}

void PaletteSearch::performSearch() {
    RbxSearchField* f = field();
    const QString text = f->text();
    if (secretCommand(text)) return;
    const bool logFocus = settings_.boolForKey(rbx::key::logFocus);
    if (logFocus) kx::log(QStringLiteral("FOCUS: search=%1").arg(text));
    table_.setSearch(text);
    // Emptied by a click (the clear button) or by the program: the keyboard goes to the
    // table; emptied by a key (typing, Escape), it stays in the field.
    RbxCharView* view = table_.view();
    const bool byKey = f->isHandlingKey() || RbxCharApplication::currentEventIsKey();
    if (text.isEmpty() && !byKey && view && view->focusPolicy() != Qt::NoFocus) {
        if (logFocus) kx::log(QStringLiteral("FOCUS: performSearch"));
        view->setFocus(Qt::OtherFocusReason);
    }
    emit performed(text);
}

void PaletteSearch::enterSearchString(const QString& text) {
    field()->setText(text);
    performSearch();
}

bool PaletteSearch::secretCommand(const QString& text) {
    const std::optional<QString> reply = commands_.perform(text);
    if (!reply) return false;
    QApplication::beep();
    kx::log(QStringLiteral("feature activation: %1").arg(*reply));
    field()->setText(*reply);
    return true;
}

// ---- what the commands act on

void PaletteSearch::setSetting(const QString& key, bool on) { settings_.setBool(on, key); }

void PaletteSearch::setDebugging(bool on, int flag) { RbxTools::setDebugging(on, flag); }

void PaletteSearch::showVersion(bool show) { content_.versionLabel()->setVisible(show); }

void PaletteSearch::showBoundingBox(bool show) {
    RbxCharView::showBoundingBox(show);
    if (!window_) return;
    for (QWidget* w : window_->findChildren<QWidget*>()) w->update();
}

void PaletteSearch::setWindowTransparent(bool transparent) {
    // The window manager draws the shadow, when it draws one at all: the window asks it.
    if (window_ && window_->windowHandle()) window_->windowHandle()->setFlag(Qt::NoDropShadowWindowHint, transparent);
    if (window_) window_->update();
}

void PaletteSearch::runListing(const QString& command) {
    const rbx::listings::Listing* listing = rbx::listings::forCommand(command);
    if (!listing) {
        kx::log(QStringLiteral("no listing for %1").arg(command));
        return;
    }
    rbx::listings::Context context;
    RbxFontList& list = fonts_.list();
    context.selectedFont = list.selectedFont();
    context.fontList = &list;
    context.clipboard = QApplication::clipboard() ? QApplication::clipboard()->mimeData() : nullptr;
    context.desktopFolder = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    context.timedTable = timing_.get();
    if (RbxCharView* view = table_.view())
        for (const RbxTableGroup& g : view->groups())
            if (g.group().hasCharacterList())
                context.groups.push_back({g.group().name(), int(g.group().groupKind()), g.group().characters()});
    const QString text = listing->make(context);
    if (listing->copies) rbx::listings::copyString(text);
}

void PaletteSearch::clearSearch() {
    field()->clear();
    performSearch();
}

QString PaletteSearch::widestCharacters() {
    QString run;
    const QString text = rbx::listings::widestCharacters(fonts_.list().selectedFont(), &run);
    kx::log(text);
    if (!text.isEmpty()) rbx::listings::copyString(text);
    return run;
}

void PaletteSearch::searchFor(const QString& text) {
    field()->setText(text);
    performSearch();
}
