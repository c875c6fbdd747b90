#pragma once
// The palette's two text views in place of the character table: "view" 10, the preview
// (the sample in fourteen sizes), and "view" 11, the sample editor (the sample at one size,
// the user's own text editable), each with its print button. The views follow the
// selected font, the settings "sample", "editorFontSize", "editorAlignment" and
// "editableSampleText", and mark what the search filter matches.

#include "app/SamplePages.h"
#include "kxlib/KXDefaultObserver.h"
#include "platform/fonts/Font.h"

#include <QObject>
#include <QString>

class PaletteContent;
class QLabel;
class QPushButton;
class QSlider;
class QWidget;
class RbxCharWindow;
class RbxDefaults;
class RbxTextEditView;
class SheetHost;

class PaletteSampleViews : public QObject, public KXDefaultObserver {
    Q_OBJECT
public:
    // The print dialog's name as a sheet of the palette.
    static inline const QString PrintSheet = QStringLiteral("print");

    // The pages join the palette's content pages; `window` is the palette: it takes the
    // keys when the user clicks into a view. Print dialogs are sheets on it through `sheets`.
    PaletteSampleViews(RbxDefaults& settings, PaletteContent& content, RbxCharWindow* window, SheetHost& sheets,
                       QObject* parent = nullptr);

    RbxTextEditView* previewEditor() const { return previewEditor_; }
    RbxTextEditView* sampleTextEditor() const { return sampleTextEditor_; }
    QPushButton* sampleTextPrintButton() const { return samplePrintButton_; }
    QPushButton* previewPrintButton() const { return previewPrintButton_; }
    QPushButton* sampleTextEditButton() const { return editButton_; }
    QSlider* editorFontSizeSlider() const { return sizeSlider_; }

    // "table", "preview" or "sample": the page the palette shows.
    QString visiblePage() const;

    // ---- what the palette tells
    void setFont(const rbx::Font& font);
    void searchChanged();
    // The mouse came into the palette while a view shows: it takes the keys.
    void activatePreview();
    void activateSampleEditor();

    // ---- the views' operations
    void setSampleText();
    void updateEditorFont();
    void makePreview();
    void checkPrintable(const QString& text);
    void textDidChange();
    void toggleSampleTextEditMode();
    void printSampleText();
    void printPreview();

    void defaultChanged(const QString& key) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

protected:
    QString observerClassName() const override { return QStringLiteral("PaletteSampleViews"); }

private:
    void showView(int view);
    // Shown in the sample editor while the user's own text is chosen.
    void updateEditButton();
    void setParagraphAttributes();
    void refreshHighlighting(RbxTextEditView* view);
    int editorFontSize() const;
    // The page printed: at once into the test's PDF file, else after the print dialog.
    void print(rbx::sample::Page page);

    RbxDefaults& settings_;
    PaletteContent& content_;
    RbxCharWindow* window_;
    SheetHost& sheets_;
    bool madeActivating_ = false;
    rbx::Font font_;
    QWidget* previewPage_ = nullptr;
    QWidget* samplePage_ = nullptr;
    RbxTextEditView* previewEditor_ = nullptr;
    RbxTextEditView* sampleTextEditor_ = nullptr;
    QPushButton* samplePrintButton_ = nullptr;
    QPushButton* previewPrintButton_ = nullptr;
    QPushButton* editButton_ = nullptr;
    QSlider* sizeSlider_ = nullptr;
    QLabel* sizeLeft_ = nullptr;
    QLabel* sizeRight_ = nullptr;
    QLabel* sizeValue_ = nullptr;
    QLabel* sizePt_ = nullptr;
    bool editorFontSet_ = false;
    bool settingText_ = false;
};
