#pragma once
// A look into the running palette for tests and benchmarks, on the session bus as
// "/Debug", interface "org.runebox.Debug". It exists only when the environment
// variable RUNEBOX_DEBUG_STATE is "1".
//   State() -> a{sv}: visible (b), alpha (d), sheet (s), view (i), layout (s),
//                     font (s: PostScript name), fontFamily (s), search (s), shown (i: showings so far),
//                     paintedNs (x: CLOCK_MONOTONIC of the first paint after the last
//                     showing, 0 before), activating (b), pid (i),
//                     front (s: the application the palette follows),
//                     frontAdaptations (i: how often it adapted to an application),
//                     fontChecks (i: how often it checked the installed fonts for changes),
//                     recent (av: the characters the table marks as recent),
//                     selected (u: the character under the mouse, 0 for none),
//                     scroll (d: points the table is scrolled down from its top),
//                     count (t: the characters in the table),
//                     searchRect (av: the search field on the screen as x, y, width, height),
//                     accent (s: the name of the user's accent colour),
//                     tooltip (s: the text of the tool tip on screen, "" for none),
//                     tablePaintedNs (x: CLOCK_MONOTONIC after the table's latest paint, 0 before),
//                     fontPaintedNs (x: the same after the table's first paint with the
//                     selected font, 0 before),
//                     tableSearch (s: the search whose result that paint showed),
//                     facesOpened (t: how often the process opened a font face),
//                     facesOpen (i: the faces open now),
//                     faceObjects (i: the font face objects alive, open or not),
//                     fontFilesMapped (i: font files, or bytes of faces, held readable now),
//                     drawingFonts (i: the faces at a size the table and magnifier draw
//                     glyphs with, each one of Qt's font engines),
//                     fontListLoaded (b: whether the font list was loaded),
//                     magnifier (av: the magnifier's window on the screen as x, y, width,
//                     height; empty while it is hidden), magnified (u: its character),
//                     magnifierArrow (s: "down" above the cell, "up" below it),
//                     page (s: the content page shown: "previewPage", "samplePage", ...),
//                     focus (s: the name of the widget with the keyboard focus),
//                     mark (u: the character whose fonts are marked, 0 for none),
//                     collection (s: the title of the font list's chosen collection),
//                     fontRows (i: the families the font list shows),
//                     fontRow (s: the family selected in the font list, "" for none),
//                     markedFamilies (as: the font list's families with a mark),
//                     fontRowFonts (a{sv}: for each family name in the font list's view,
//                     the family of the font it is drawn in, "" while its own font is not
//                     looked for yet), nameFonts (i: the families
//                     whose own font the font list has looked for),
//                     fontLabel (s: the current-font label's text), face (s: the face
//                     pop-up's title), recentFont (s: the recent-fonts pop-up's title),
//                     insertSegment (i: the insert-mode control's selected
//                     segment), insertMode (i: the front application's insert mode),
//                     shownView (i: the view the palette applied last),
//                     customSize (i: the family's size slider, -100 to 100),
//                     activator (i), hideQInCorner (b): those settings as the palette
//                     read them, fadingOut (b: a fade-out is scheduled or under way),
//                     pointer (av: where on the screen the latest pointer event a window of
//                     ours took happened, as x, y; empty before one), dark (b: whether
//                     the palette draws in the dark look), sheetWindow (t: the attached
//                     sheet's X window, 0 without one),
//                     shapePad (av: while the shape finder is up, its pad on the screen as
//                     x, y, width, height, then the counted strokes, all strokes (with the
//                     undone ones) and the background character)
//   FontFamilies() -> as: the families of the font list (made on this call if needed)
//   CellRect(u) -> av: the character's cell on the screen as x, y, width, height;
//                     empty when the table does not show it whole
//   CellRects(u) -> av: each cell of the character in view as CellRect gives one (the
//                     favourites' and the recent characters' groups have their own)
//   ControlRect(s) -> av: the named control of the palette (else of another window of
//                     ours) on the screen as x, y, width, height; empty when it is not shown
//   FontRowRect(s) -> av: the font list's row of that family on the screen as x, y, width,
//                     height; empty when it is not in view
//   Close()          closes the palette as Escape would on an empty search
//   SheetFields() -> a{sv}: the named controls of the attached sheet by object name: a
//                     label's or field's text (s), a check box's or radio button's state
//                     (b), a pop-up's or tab view's index (i); empty without a sheet
//   WindowFields(s) -> a{sv}: the same for the shown window of ours with that object name
//                     (the download window "DownloadProgress", the release notes
//                     "WhatsNew"), with a text view's text (s) and a progress bar's value
//                     and maximum (av; maximum 0: no measure); empty when it is not shown
//   TextLines(s) -> av: each line of the shown text view of ours with that object name as
//                     it is laid out (wrapped lines one by one), as av: the x of its first
//                     character that is no tab in the document, its text, its number in
//                     its paragraph and the x its last tab leads to (-1: no tab)
//   MenuItems() -> av: the items of the menu open in the palette, each a{sv}: title (s),
//                     enabled (b), rect (av: x, y, width, height on the screen); a picture
//                     menu's pictures are titled with the text they insert, a pop-up
//                     button's open list gives its rows (rect empty for a row scrolled
//                     out of sight); empty when no menu is open

#include <QObject>
#include <cstdint>
#include <QStringList>
#include <QVariantList>
#include <QVariantMap>

class RbxCharWindowController;
class RbxDefaults;

class QEvent;

class DebugStateService : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.runebox.Debug")
public:
    static bool enabled();
    // Exports the service when enabled; answers whether it is exported.
    static bool exportIfEnabled(RbxCharWindowController* controller, RbxDefaults& settings);

    DebugStateService(RbxCharWindowController* controller, RbxDefaults& settings, QObject* parent = nullptr);

    QVariantMap state() const;
    QStringList fontFamilies() const;
    QVariantList cellRect(char32_t c) const;
    QVariantList cellRects(char32_t c) const;
    QVariantList menuItems() const;
    QVariantList controlRect(const QString& name) const;
    QVariantList fontRowRect(const QString& family) const;
    QVariantMap sheetFields() const;
    QVariantMap windowFields(const QString& name) const;
    QVariantList textLines(const QString& name) const;

public slots:
    Q_SCRIPTABLE QVariantMap State() { return state(); }
    Q_SCRIPTABLE QStringList FontFamilies() { return fontFamilies(); }
    Q_SCRIPTABLE QVariantList CellRect(uint character) { return cellRect(char32_t(character)); }
    Q_SCRIPTABLE QVariantList CellRects(uint character) { return cellRects(char32_t(character)); }
    Q_SCRIPTABLE QVariantList MenuItems() { return menuItems(); }
    Q_SCRIPTABLE QVariantList ControlRect(const QString& name) { return controlRect(name); }
    Q_SCRIPTABLE QVariantList FontRowRect(const QString& family) { return fontRowRect(family); }
    Q_SCRIPTABLE QVariantMap SheetFields() { return sheetFields(); }
    Q_SCRIPTABLE QVariantMap WindowFields(const QString& name) { return windowFields(name); }
    Q_SCRIPTABLE QVariantList TextLines(const QString& name) { return textLines(name); }
    Q_SCRIPTABLE void Close();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    static QVariantMap fieldsOf(const QWidget* root);

    RbxCharWindowController* controller_;
    RbxDefaults& settings_;
    // The faces opened when the service was made, right after the first picture.
    std::uint64_t facesOpenedAtStart_ = 0;
    qint64 tablePaintedNs_ = 0;
    qint64 fontPaintedNs_ = 0;
    QString paintedFont_; // the PostScript name fontPaintedNs_ is of
    QString tableSearch_;
    QVariantList pointer_;
};
