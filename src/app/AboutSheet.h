#pragma once
// The About sheet: the version and the size of the installed font collection, the
// diagnostics report for support (copied to the clipboard) and the user's guide. It is
// registered with the palette's SheetHost as "about".

#include <QDialog>

class QLabel;
class RbxCharWindowController;
class RbxDefaults;
class PaletteFontList;

class AboutSheet : public QDialog {
    Q_OBJECT
public:
    static inline const QString SheetName = QStringLiteral("about");

    AboutSheet(RbxCharWindowController& palette, RbxDefaults& settings, PaletteFontList& fonts, QWidget* parent = nullptr);

    void showAbout();
    // Ends any attached sheet and puts the diagnostics report on the clipboard.
    void copyDiagnosticsReport();
    // Opens the user's guide of the bundle with the desktop's opener; false when it is
    // missing or cannot be opened.
    static bool showHelp();

    QLabel* versionField() const { return version_; }
    QLabel* fontCountField() const { return fontCount_; }

private:
    RbxCharWindowController& palette_;
    RbxDefaults& settings_;
    PaletteFontList& fonts_;
    QLabel* version_ = nullptr;
    QLabel* fontCount_ = nullptr;
};
