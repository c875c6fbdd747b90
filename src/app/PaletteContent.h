#pragma once
// The widgets of the palette, built in code: a bar with the current font and the search
// field, the font list beside the content pages (page 0 holds the character table; the sample-text and font
// information pages join later), and the version label at the bottom.

#include <QObject>
#include <QPointer>
#include <QString>

class QLabel;
class QSplitter;
class RbxSearchField;
class QStackedWidget;
class QWidget;

class PaletteContent : public QObject {
    Q_OBJECT
public:
    // Builds the widgets inside `window`.
    explicit PaletteContent(QWidget* window);

    RbxSearchField* searchField() const { return searchField_; }
    QLabel* currentFontLabel() const { return fontLabel_; }
    QLabel* versionLabel() const { return versionLabel_; }
    QStackedWidget* contentTabView() const { return pages_; }

    // The character table on page 0 (the palette keeps it); null before one is set.
    void setCharView(QWidget* view);
    QWidget* charView() const { return charView_; }
    // The font list beside the content pages, at their leading side, `width` wide (0:
    // folded away; the user can drag it out).
    void setFontListPanel(QWidget* panel, int width);
    QSplitter* splitter() const { return split_; }

    // "%1 (%2)": a font's display name and the number of characters it covers.
    void setCurrentFontText(const QString& displayName, qsizetype characterCount);
    void setVersionText(const QString& version);

    // The palette's smallest size.
    static constexpr int MinimumWidth = 320;
    static constexpr int MinimumHeight = 240;
    static constexpr int DefaultWidth = 620;
    static constexpr int DefaultHeight = 540;

private:
    RbxSearchField* searchField_ = nullptr;
    QSplitter* split_ = nullptr;
    QLabel* fontLabel_ = nullptr;
    QLabel* versionLabel_ = nullptr;
    QStackedWidget* pages_ = nullptr;
    QWidget* tablePage_ = nullptr;
    QPointer<QWidget> charView_;
};
