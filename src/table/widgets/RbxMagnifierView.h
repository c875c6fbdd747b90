#pragma once
// The content of the magnifier: the character drawn large with its guide lines, its name,
// its user-defined name or keywords, one notation, its code points, the key caps that type
// it on the current keyboard layout, and a warning when the table's font lacks it. Built
// in code; filled anew for each character shown. Main thread only.

#include "platform/fonts/Font.h"
#include "table/core/RbxMagnifierContent.h"

#include <QColor>
#include <QStringList>
#include <QWidget>

class QLabel;
class RbxBigCharView;

// A key cap: the key's label centred on a rounded square (corner radius 6) with a light
// grey border and a background of its own.
class ColoredTextField : public QWidget {
    Q_OBJECT
public:
    ColoredTextField(const QString& text, QWidget* parent = nullptr);
    void setCustomBackgroundColor(const QColor& color);
    QColor customBackgroundColor() const { return background_; }
    QString text() const { return text_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString text_;
    QColor background_;
};

// The mark inside the cap of the space bar: a bracket open at the top along its bottom edge.
class RbxSpaceView : public QWidget {
    Q_OBJECT
public:
    // `baseRect` is also the view's frame.
    explicit RbxSpaceView(const QRect& baseRect, QWidget* parent = nullptr);
    QRect baseRect() const { return baseRect_; }
    void setBaseRect(const QRect& rect);

    // The bracket in the view's own coordinates (y down): from the left end's top down to
    // the bottom, across, and up the right end; and its line width.
    static QPolygonF bracket(const QSize& size);
    static double lineWidth(const QSize& size);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QRect baseRect_;
};

class RbxMagnifierView : public QWidget {
    Q_OBJECT
public:
    explicit RbxMagnifierView(QWidget* parent = nullptr);

    // Shows the character in the font (the font the table draws its cell with); the key
    // caps come from the current keyboard layout.
    void fill(char32_t c, const rbx::Font& font);
    // Rebuilds the key caps: one cap per key, the word "then" as plain text between
    // strokes; none: the keyboard picture.
    void fillShortcutView(const QStringList& keys);

    char32_t character() const { return character_; }
    const RbxMagnifierContent& content() const { return content_; }
    RbxBigCharView& bigCharView() const { return *bigCharView_; }
    QWidget& shortcutView() const { return *shortcutView_; }
    // The texts shown, by field: "name", "keywordsLabel", "keywords", "htmlLabel", "html",
    // "codePointLabel", "codePoint", "notAvailable"; empty for a hidden field.
    QString shownText(const QString& field) const;

private:
    char32_t character_ = 0;
    RbxMagnifierContent content_;
    RbxBigCharView* bigCharView_ = nullptr;
    QLabel* nameField_ = nullptr;
    QLabel* keywordsLabel_ = nullptr;
    QLabel* keywordsField_ = nullptr;
    QLabel* htmlLabel_ = nullptr;
    QLabel* htmlField_ = nullptr;
    QLabel* codePointLabel_ = nullptr;
    QLabel* codePointField_ = nullptr;
    QWidget* shortcutView_ = nullptr;
    QLabel* notAvailableLabel_ = nullptr;
};
