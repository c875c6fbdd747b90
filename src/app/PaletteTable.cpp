#include "app/PaletteTable.h"

#include "app/ModelBridges.h"
#include "core/Log.h"
#include "model/RbxFontInfo.h"
#include "model/RbxFontInfoRepertoire.h"
#include "model/RbxLayout.h"
#include "model/RbxLayoutPopUp.h"
#include "model/RbxNameFilter.h"
#include "model/RbxSampleText.h"
#include "table/widgets/RbxCharView.h"

#include <QTimer>
#include <utility>

PaletteTable::PaletteTable(RbxCharViewServices services, QObject* parent)
    : QObject(parent), services_(std::move(services)), sources_(std::make_shared<bridges::TableSources>()) {
    // The layout registry keeps its pop-up model here until the window shows one.
    popUp_ = std::make_shared<RbxLayoutPopUp>();
}

PaletteTable::~PaletteTable() = default;

void PaletteTable::layoutsChanged() {
    // The pop-up is filled for the view shown: the text views keep their sample titles.
    RbxLayout::updateLayoutPopUp();
    reload();
}

QStringList PaletteTable::sampleTextTitles() { return RbxSampleText::sampleTextTitles(); }

RbxCharView* PaletteTable::view() {
    if (!view_) {
        view_ = new RbxCharView(services_);
        view_->setObjectName(QStringLiteral("rbxCharView"));
        view_->setSources(sources_);
        connect(view_, &RbxCharView::painted, this, &PaletteTable::readLigaturesAfterPaint);
    }
    return view_;
}

RbxFontRepertoire* PaletteTable::repertoire() const { return repertoire_.get(); }

QString PaletteTable::layoutName() const { return layout_ ? layout_->name() : QString(); }

void PaletteTable::showFont(const rbx::Font& font) {
    setFont(font);
    reload();
}

void PaletteTable::setFont(const rbx::Font& font) {
    if (!font) return;
    const bool switching = bool(font_);
    font_ = font;
    repertoire_ = RbxFontInfoRepertoire::repertoireOfFont(font);
    // A font chosen in place of another is shown without its ligatures, read once the
    // table has painted it (a large font's take longer than the rest of its groups).
    if (switching && repertoire_->fontInfo()) {
        repertoire_->fontInfo()->deferLigatures();
        ligaturesPending_.push_back(repertoire_->fontInfo());
    }
    sources_->setRepertoire(repertoire_.get());
    RbxNameFilter::rebuildFilter();
    view()->setFont(font, bridges::tuningOf(*repertoire_->fontInfo()));
}

void PaletteTable::reload() {
    if (!repertoire_) return;
    layout_ = RbxLayout::selectedLayout();
    if (!layout_) layout_ = RbxLayout::unicodeBlocksLayout();
    if (!layout_) {
        kx::log(QStringLiteral("no layout to show"));
        return;
    }
    repertoire_->fontInfo()->loadCharacters();
    view()->setGroups(layout_->groupsForFontInfo(repertoire_.get()), layout_->isRecentLayout());
}

void PaletteTable::readLigaturesAfterPaint() {
    if (ligaturesPending_.empty() || ligaturesQueued_) return;
    ligaturesQueued_ = true;
    QTimer::singleShot(0, this, [this] {
        ligaturesQueued_ = false;
        bool shownChanged = false;
        for (const std::shared_ptr<RbxFontInfo>& info : std::exchange(ligaturesPending_, {}))
            if (info->readDeferredLigatures() && repertoire_ && info == repertoire_->fontInfo()) shownChanged = true;
        // The groups are built again with the ligatures.
        if (shownChanged) reload();
    });
}

void PaletteTable::setSearch(const QString& text) {
    requestedSearch_ = text;
    // Names whose files another program cut short while they were mapped are read again.
    RbxNameFilter::readNamesAgainIfDamaged();
    if (RbxNameFilter::isIndexUnderWay()) {
        // The names' word index is being made: the table goes on showing (and painting)
        // what it shows, and takes the latest search once the index is there.
        if (!waitingForIndex_) {
            waitingForIndex_ = true;
            RbxNameFilter::whenIndexReady(this, [this] {
                waitingForIndex_ = false;
                setSearch(requestedSearch_);
            });
        }
        return;
    }
    RbxNameFilter::setFilter(text);
    RbxFontInfo::flushCachedCharacters();
    reload();
    shownSearch_ = text;
    // Cut short while this search read them: the search is made again over names read anew.
    if (RbxNameFilter::readNamesAgainIfDamaged()) setSearch(text);
}

void PaletteTable::prepareSearch() { RbxNameFilter::prepareIndex(); }
