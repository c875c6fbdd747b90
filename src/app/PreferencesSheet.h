#pragma once
// The preferences: a sheet with three tabs, "Activation" (0), "View & Insertion" (1) and
// "Updates" (2), whose controls are bound to the settings store, so that every change
// takes effect at once and a change made elsewhere shows at once. OK keeps the values,
// Cancel (and Escape) puts back what the settings were when the sheet opened. Return
// presses OK on every tab but "Activation", where the hot-key recorder takes keys.
// Registered with the palette's SheetHost as "preferences"; the option "tab" (0 to 2)
// chooses the tab.

#include "app/KXHotkeyField.h"
#include "app/PreferencesSnapshot.h"
#include "kxlib/KXDefaultObserver.h"

#include <QDialog>

class QLabel;
class QPushButton;
class QRadioButton;
class QTabWidget;
class RbxCharWindowController;
class RbxDefaults;

class PreferencesSheet : public QDialog, public KXHotkeyFieldDelegate, public KXDefaultObserver {
    Q_OBJECT
public:
    static inline const QString SheetName = QStringLiteral("preferences");
    enum Tab { Activation = 0, ViewAndInsertion = 1, Updates = 2 };

    PreferencesSheet(RbxCharWindowController& palette, RbxDefaults& settings, QWidget* parent = nullptr);
    ~PreferencesSheet() override;

    // Opens the sheet on a tab (-1: the tab shown last).
    void showPreferences(int tab = -1);
    void confirmPreferencesSheet();
    void cancelPreferencesSheet();
    // Clears every family's size adjustment and redraws the table.
    void resetCustomFontSizes();
    // The first HTML choice shows a numeric reference in the form "hexHtml" chooses.
    void updateHTMLNumberLabel();
    // The "Updates" tab: the status line of the last check, with every ": " ending its
    // line, and the "Download and Install" and "What's New?" buttons exactly when a
    // newer version is available.
    void setUpdateStatusMessage();
    void checkUpdatesNow();
    void downloadAndInstallUpdate();
    // Confirms the sheet, then shows the release notes.
    void showWhatsNew();

    QTabWidget* tabView() const { return tabs_; }
    KXHotkeyField* showWindowHotkey() const { return hotkey_; }
    const PreferencesSnapshot& snapshot() const { return snapshot_; }

    void hotkeyChanged(KXHotkeyField& field) override;
    void defaultChanged(const QString& key) override;

protected:
    QString observerClassName() const override { return QStringLiteral("PreferencesSheet"); }
    void showEvent(QShowEvent* event) override;

private:
    QWidget* activationTab();
    QWidget* viewTab();
    QWidget* updatesTab();
    void tabChanged(int index);
    void updateActivatorControls();
    void ended(int returnCode);

    RbxCharWindowController& palette_;
    RbxDefaults& settings_;
    PreferencesSnapshot snapshot_;
    QTabWidget* tabs_ = nullptr;
    QPushButton* ok_ = nullptr;
    KXHotkeyField* hotkey_ = nullptr;
    QLabel* statusHint_ = nullptr;
    QWidget* autoHideQButton_ = nullptr;
    QRadioButton* numericHtml_ = nullptr;
    QWidget* darkTable_ = nullptr;
    QLabel* updateStatus_ = nullptr;
    QPushButton* updateDownload_ = nullptr;
    QPushButton* updateWhatsNew_ = nullptr;
};
