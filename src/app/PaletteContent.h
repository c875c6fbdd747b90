#pragma once
// The widgets of the palette, built in code, each named as the controller knows it:
//   top bar:     the font family, face and recent-fonts pop-ups, the layout-link button,
//                the shape-finder button and the search field;
//   view bar:    the window-mode control (the table or a page of text), the view pop-up
//                (which characters the table shows), the layout pop-up and the table's
//                group-jump button;
//   the content pages (page 0 holds the character table; every other page is known by
//                its view number) beside room for the font list;
//   bottom bar:  below a separator line, the insert-mode control with its size and types
//                buttons, the size slider of the font's family, the current font, the
//                version and the program menu's button.
// The controller's duties fill and wire them.

#include "table/widgets/RbxCharView.h"

#include <QObject>
#include <QPointer>
#include <QString>

class KXPopUpButton;
class QComboBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QSlider;
class QSplitter;
class RbxGroupButton;
class RbxSearchField;
class QStackedWidget;
class QToolButton;
class QVBoxLayout;
class QWidget;
class RbxFormattedSizeButton;
class RbxInsertTypeButton;
class SegmentedControl;

class PaletteContent : public QObject {
    Q_OBJECT
public:
    // Builds the widgets inside `window`.
    explicit PaletteContent(QWidget* window);

    RbxSearchField* searchField() const { return searchField_; }
    QLabel* currentFontLabel() const { return fontLabel_; }
    QLabel* versionLabel() const { return versionLabel_; }
    QStackedWidget* contentTabView() const { return pages_; }

    // ---- fonts
    KXPopUpButton* fontFamilyPopUp() const { return familyPopUp_; }
    KXPopUpButton* facePopUp() const { return facePopUp_; }
    KXPopUpButton* recentFontsPopUp() const { return recentPopUp_; }
    QToolButton* layoutLinkButton() const { return linkButton_; }
    // Opens the sheet that finds a character by its drawn shape.
    QToolButton* shapeFinderButton() const { return shapeButton_; }
    // Pops up the program's menu (set by the one who makes the menu).
    QToolButton* programMenuButton() const { return menuButton_; }

    // ---- views and layouts
    SegmentedControl* windowModeSegmentedControl() const { return windowMode_; }
    QComboBox* viewPopUp() const { return viewPopUp_; }
    KXPopUpButton* layoutPopUp() const { return layoutPopUp_; }
    // The table's group-jump button beside them, and the size slider of the font's family
    // (-1 to 1 in hundredths) beside the font's name, both shown with the table only.
    RbxGroupButton* groupButton() const { return groupButton_; }
    QSlider* customSizeSlider() const { return sizeSlider_; }
    // Adds a page shown for a view number (4 and above), and its segment, titled, in the
    // window-mode control.
    void addPage(int view, QWidget* page, const QString& title);
    // The page of a view number; page 0 (the table) for views below 4; null when none.
    QWidget* pageForView(int view) const;
    // Room beside the pages for the font list (hidden while empty).
    // The font list beside the content pages, at their leading side, `width` wide (0:
    // folded away; the user can drag it out).
    void setFontListPanel(QWidget* panel, int width);
    QSplitter* splitter() const { return split_; }

    // ---- insert modes
    SegmentedControl* insertModeSegments() const { return insertModes_; }
    RbxFormattedSizeButton* formattedSizeButton() const { return sizeButton_; }
    RbxInsertTypeButton* insertTypesButton() const { return typesButton_; }

    // The character table on page 0 (the palette keeps it); null before one is set.
    // The group button and the size slider work on it.
    void setCharView(RbxCharView* view);
    RbxCharView* charView() const { return charView_; }

    // "%1 (%2)": a font's display name and the number of characters it covers.
    void setCurrentFontText(const QString& displayName, qsizetype characterCount);
    void setVersionText(const QString& version);
    // The controls' images in the light or the dark look, as now in force.
    void updateImages();
    // What the first picture does without: the search field's clear button, whose icon
    // is looked up in the desktop's icon themes (it shows only once the field has text).
    void finishAfterFirstPaint();

    // The palette's smallest height; its smallest width is what its bars need to show
    // every control whole (the window's layout keeps it so as segments and labels change).
    static constexpr int MinimumHeight = 280;
    static constexpr int DefaultWidth = 660;
    static constexpr int DefaultHeight = 560;
    // The size slider's steps on each side of 0.
    static constexpr int SizeSliderSteps = 100;

private:
    void buildTopBar(QWidget* window, QVBoxLayout* outer);
    void buildViewBar(QWidget* window, QVBoxLayout* outer);
    void buildBottomBar(QWidget* window, QVBoxLayout* outer);

    RbxSearchField* searchField_ = nullptr;
    QLabel* fontLabel_ = nullptr;
    QLabel* versionLabel_ = nullptr;
    QStackedWidget* pages_ = nullptr;
    QWidget* tablePage_ = nullptr;
    QPointer<RbxCharView> charView_;
    QSplitter* split_ = nullptr;
    KXPopUpButton* familyPopUp_ = nullptr;
    KXPopUpButton* facePopUp_ = nullptr;
    KXPopUpButton* recentPopUp_ = nullptr;
    QToolButton* linkButton_ = nullptr;
    QToolButton* shapeButton_ = nullptr;
    QToolButton* menuButton_ = nullptr;
    SegmentedControl* windowMode_ = nullptr;
    QComboBox* viewPopUp_ = nullptr;
    KXPopUpButton* layoutPopUp_ = nullptr;
    RbxGroupButton* groupButton_ = nullptr;
    QSlider* sizeSlider_ = nullptr;
    SegmentedControl* insertModes_ = nullptr;
    RbxFormattedSizeButton* sizeButton_ = nullptr;
    RbxInsertTypeButton* typesButton_ = nullptr;
};
