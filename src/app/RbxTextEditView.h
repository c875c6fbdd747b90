#pragma once
// The text view of the preview, the sample editor and the printed pages: pasted and typed
// text stays plain and is taken only while the view is editable; the search filter's
// characters and words are marked in orange-yellow (ignoring case and accents), the
// characters the table's font lacks are coloured "charSubstitutionColor"; a print banner
// can stand above the text, and a print of the view is one page.

#include "core/CharSet.h"

#include <QTextEdit>
#include <memory>


class RbxTextEditView : public QTextEdit {
    Q_OBJECT
public:
    explicit RbxTextEditView(QWidget* parent = nullptr);

    // Editable: the user may type and paste (plain text only).
    void setEditable(bool editable) { setReadOnly(!editable); }
    bool isEditable() const { return !isReadOnly(); }

    // The characters of the table's font; none: every character counts as covered.
    void setCoveredCharacters(std::shared_ptr<const kx::CharSet> covered) { covered_ = std::move(covered); }

    // Recomputes the marks of the filter and the colour of missing characters.
    void updateHighlighting();

    // The banner's height above the text (0: none).
    void setBannerHeight(double height) { bannerHeight_ = height; }
    double bannerHeight() const { return bannerHeight_; }

    // The background of highlighted text: red 1.0, green 0.8, blue 0.0.
    static QColor highlightColor() { return QColor::fromRgbF(1.0f, 0.8f, 0.0f); }

    // Typing and pasting: only while editable, only the plain text (or the file names).
    bool canInsertFromMimeData(const QMimeData* source) const override;
    void insertFromMimeData(const QMimeData* source) override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::shared_ptr<const kx::CharSet> covered_;
    double bannerHeight_ = 0;
};
