#pragma once
// Which view the palette shows, and in which layout. The window-mode control chooses
// between the character table (tag 1) and the pages of text (tags 10 and 11, each a page
// of the content); while the table shows, the view pop-up chooses its characters (1 the
// selected font's, 2 all fonts', 3 every defined character). The layout pop-up shows the
// layout registry's pop-up model: the layouts of the table, or the sample texts in the
// text views; its last two items open the user's layout folder and the web page of more
// layouts.

#include <QObject>
#include <QString>

class PaletteContent;
class PaletteTable;
class RbxCharWindowController;
class RbxDefaults;
class RbxLayoutPopUp;

class PaletteViews : public QObject {
    Q_OBJECT
public:
    // The address of the web page of more layouts, below the bundle's "RbxWebSite".
    static QString moreLayoutsAddress();

    PaletteViews(RbxCharWindowController& controller, RbxDefaults& settings, PaletteContent& content,
                 PaletteTable& table, RbxLayoutPopUp& layouts, QObject* parent = nullptr);

    // Selects the window-mode segment with the tag (the first segment when none has it;
    // views 2 and 3 are the pop-up's items) and applies the view; a view of 4 or more
    // without a page falls back to view 1.
    void changeViewTo(int tag);
    // Applies the view the controls choose.
    void changeView();
    // Moves the view pop-up by delta among the table's views 1 to 5.
    void swipeView(int delta);
    // Applies the layout pop-up's choice.
    void changeLayout();
    // The stored "view" (0 taken as 1) chosen in the controls and applied.
    void adoptStoredView();
    // "view" changed in the settings: the controls follow when it is not the view shown.
    void viewSettingChanged();

    // The view shown (0 before the first changeView()).
    int shownView() const { return shownView_; }

signals:
    // The view was applied (views 10 and 11 then take the keys where they should).
    void viewChanged(int view);

private:
    // The layout pop-up widget shows the model.
    void showLayoutPopUp();
    // Answers whether a segment stands for the view. The table's own tag 1 keeps the
    // view pop-up's choice when asked to.
    bool selectControlsForView(int view, bool tableKeepsItsView);
    // Chooses the view in the controls (a stored view 1 is the pop-up's first item) and
    // applies it.
    void showView(int view, bool tableKeepsItsView);
    void applyView(int view);
    // The controls that belong to the view: the search field (not in view 12) and the
    // table's own controls.
    void showControlsOfView(int view);
    // A page another duty showed (the text views and the font information show their own
    // at start-up): its segment is chosen and the controls follow.
    void pageShown();
    void setViewSetting(int view);

    RbxCharWindowController& c_;
    RbxDefaults& settings_;
    PaletteContent& content_;
    PaletteTable& table_;
    RbxLayoutPopUp& layouts_;
    int shownView_ = 0;
    bool changing_ = false;
};
