#pragma once
// The font list beside the character table: the collection pop-up, the filter field and
// the table of families (the window controller's font-list duty). Choosing a family
// selects its font in the palette; a character can be marked, and the families that
// contain it get a bullet and form the collection "Marked Fonts". The list is read when
// the panel is first shown with some width, not before.

#include "app/FontCollectionItems.h"
#include "platform/fonts/Font.h"

#include <QObject>
#include <QPointer>
#include <memory>

class FontListModel;
class PaletteFontList;
class QComboBox;
class QLineEdit;
class QMenu;
class QWidget;
class RbxActivationSet;
class RbxDefaults;
class FontListTableView;

class PaletteFontTable : public QObject {
    Q_OBJECT
public:
    PaletteFontTable(RbxDefaults& settings, PaletteFontList& fonts, QObject* parent = nullptr);
    ~PaletteFontTable() override;

    // The panel (its owner is the widget it is put into) and its controls.
    QWidget* panel() const { return panel_; }
    QComboBox* collectionsPopUp() const { return popUp_; }
    QLineEdit* fontFilterField() const { return filter_; }
    FontListTableView* fontTableView() const { return view_; }
    FontListModel& model() const { return *model_; }
    // Whether the table shows the font list yet.
    bool isAttached() const { return attached_; }
    // Shows the font list in the table now (the panel does so when it is first shown).
    void attach();
    // What the first picture does without: the filter field's clear button, whose icon is
    // looked up in the desktop's icon themes (it shows only once the field has text).
    void finishAfterFirstPaint();

    // ---- collections and filter ---------------------------------------------------------
    void updateFontCollectionPopup();
    void updateFontList();
    // The user's filtering (the filter's text, the collection): the list filtered; while
    // the front application's font is followed, that font is checked at once (a list
    // rebuilt for other reasons comes with checks of its own).
    void filterFontList();
    // The pop-up's choice: stored under "selectedCollection", then the list is filtered.
    void changeFontCollection(int index);
    // The fonts of a drop of font files: selected as a collection at the next build.
    void selectActivationSet(std::shared_ptr<RbxActivationSet> set);
    const QList<FontCollectionItem>& collectionItems() const { return items_; }

    // ---- selection ------------------------------------------------------------------
    // The row of the font list's selected family, selected without choosing it again.
    void showSelectedFont();

    // ---- marks ----------------------------------------------------------------------
    void markFontsContainingCharacter(char32_t c);
    void resetMarkedFonts();
    char32_t markedCharacter() const { return marked_; }
    // The bullet of a marked row clicked: the row's family is chosen again and the marked
    // character is wanted in view.
    void goToMarkedCharacter();

    // ---- context menu and copy --------------------------------------------------------
    // "Copy Font List"; with a character marked also "Reset Marks".
    std::unique_ptr<QMenu> fontTableContextMenu();
    // The filtered families' names, each followed by a line feed, as plain text.
    void copyFontList();

    // ---- installed fonts changed ----------------------------------------------------------
    // The list was read again: the pop-up and the table follow.
    void updateAfterFontChange();

signals:
    // A family was chosen in the table: its selected font.
    void fontChosen(const rbx::Font& font);
    // The character marked (0: none) changed; the character table redraws.
    void markChanged(char32_t c);
    // The marked character is to be shown and selected in the character table.
    void markedCharacterWanted(char32_t c);
    // The list was filtered while the front application's font was followed: the
    // following goes on with a check of its font at once.
    void fontDetectionResumed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void rowChosen(int row);
    FontCollectionItem selectedItem() const;

    RbxDefaults& settings_;
    PaletteFontList& fonts_;
    QPointer<QWidget> panel_;
    QComboBox* popUp_ = nullptr;
    QLineEdit* filter_ = nullptr;
    FontListTableView* view_ = nullptr;
    FontListModel* model_ = nullptr;
    QList<FontCollectionItem> items_;
    QList<std::shared_ptr<RbxActivationSet>> sets_;
    std::shared_ptr<RbxActivationSet> pendingSet_;
    char32_t marked_ = 0;
    bool attached_ = false;
    bool building_ = false;
};
