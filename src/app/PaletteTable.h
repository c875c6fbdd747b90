#pragma once
// The character table of the palette: the table view on the window's first page, showing
// the characters of the selected font in the selected layout, and the search filter
// applied to it.

#include "model/RbxLayoutWindow.h"
#include "model/RbxSelectedFont.h"
#include "platform/fonts/Font.h"
#include "table/widgets/RbxCharViewHooks.h"

#include <QObject>
#include <QPointer>
#include <memory>
#include <vector>

class RbxCharView;
class RbxFontInfo;
class RbxFontRepertoire;
class RbxLayout;
class RbxLayoutPopUp;

class RbxFontInfoRepertoire;

namespace bridges {
class TableSources;
}

// The font it shows is the palette's selected font for the model; the layout registry
// tells it of changed layouts (RbxLayoutWindow).
class PaletteTable : public QObject, public RbxSelectedFont, public RbxLayoutWindow {
    Q_OBJECT
public:
    // `services` are what the view is made with (its insertion road).
    explicit PaletteTable(RbxCharViewServices services = {}, QObject* parent = nullptr);
    ~PaletteTable() override;

    // The model of the window's layout pop-up, which the layout registry fills.
    const std::shared_ptr<RbxLayoutPopUp>& layoutPopUp() const { return popUp_; }

    RbxFontRepertoire* selectedFontRepertoire() override { return repertoire(); }
    // Refills the layout pop-up and builds the groups again.
    void layoutsChanged() override;
    // Asks the window for the layout linked with the current font.
    void switchToLayoutForCurrentFont() override { emit layoutForCurrentFontWanted(); }
    QStringList sampleTextTitles() override;

    // The view (made on first use; its owner is the widget it is put into).
    RbxCharView* view();

    // Shows the font's characters in the selected layout.
    void showFont(const rbx::Font& font);
    // Takes the font's repertoire; the groups are built at the next reload().
    void setFont(const rbx::Font& font);
    // Builds the groups again (a new layout, view or search).
    void reload();
    // The search text as the table's filter ("" shows everything). While the names' word
    // index is being made, the search is taken when it is ready.
    void setSearch(const QString& text);
    // Has the names' word index made in the background, ahead of the first search.
    void prepareSearch();
    // The search whose result the table shows.
    QString shownSearch() const { return shownSearch_; }

    // The repertoire of the font shown; null before a font was shown.
    RbxFontRepertoire* repertoire() const;
    // The layout whose groups are shown; null before.
    std::shared_ptr<RbxLayout> layout() const { return layout_; }
    QString layoutName() const;

signals:
    // The layout registry refilled the layout pop-up: the window chooses the layout of the
    // current font.
    void layoutForCurrentFontWanted();

private:
    void readLigaturesAfterPaint();

    RbxCharViewServices services_;
    QPointer<RbxCharView> view_;
    rbx::Font font_;
    std::shared_ptr<RbxFontInfoRepertoire> repertoire_;
    std::shared_ptr<bridges::TableSources> sources_;
    std::shared_ptr<RbxLayoutPopUp> popUp_;
    std::shared_ptr<RbxLayout> layout_;
    // Fonts shown with their ligatures held back, read after the table's next paint.
    std::vector<std::shared_ptr<RbxFontInfo>> ligaturesPending_;
    bool ligaturesQueued_ = false;
    QString shownSearch_;
    QString requestedSearch_;
    bool waitingForIndex_ = false;
};
