#pragma once
// A row of joined buttons of which one is selected: each segment is a checkable tool
// button with a label and/or an image and an integer tag; the buttons sit in one
// exclusive button group. A click on a segment selects it and emits segmentClicked();
// selecting from code emits nothing. A label that ends in "▾" (U+25BE, a segment with a
// menu) shows that arrow drawn after the rest of the label, in the label's colour: the
// system font need not have the character, and no other font is looked for to draw it.

#include <QIcon>
#include <QList>
#include <QString>
#include <QWidget>

class QButtonGroup;
class QHBoxLayout;
class QToolButton;

class SegmentedControl : public QWidget {
    Q_OBJECT
public:
    explicit SegmentedControl(QWidget* parent = nullptr);

    // Appends a segment; answers its index.
    int addSegment(const QString& label, int tag, const QIcon& image = QIcon());
    int segmentCount() const { return int(buttons_.size()); }

    void setLabel(int segment, const QString& label);
    QString label(int segment) const;
    void setImage(int segment, const QIcon& image);
    void setSegmentToolTip(int segment, const QString& tip);
    int tag(int segment) const;
    // The first segment with that tag; -1 when none has it.
    int segmentWithTag(int tag) const;
    void setSegmentHidden(int segment, bool hidden);

    // -1 when none is selected.
    int selectedSegment() const;
    // The selected segment's tag; 0 when none is selected.
    int selectedTag() const;
    // An index outside the segments leaves none selected.
    void setSelectedSegment(int segment);
    // Answers false (and selects nothing) when no segment has the tag.
    bool selectSegmentWithTag(int tag);

    // The button of a segment (its place in the control, for what lies over it).
    QToolButton* button(int segment) const;

signals:
    // The user chose the segment (also when it was selected already).
    void segmentClicked(int segment);

protected:
    void changeEvent(QEvent* event) override;

private:
    void restyle();

    QHBoxLayout* row_ = nullptr;
    QButtonGroup* group_ = nullptr;
    QList<QToolButton*> buttons_;
    QList<int> tags_;
};
