// The preferences sheet of an assembled palette: its controls change the settings at
// once, show changes made elsewhere, and Cancel puts back what the settings were when the
// sheet opened, removing again what had no value then.
#include "PaletteFixture.h"

#include "app/PaletteSheets.h"
#include "app/PreferencesSheet.h"
#include "app/PreferencesSnapshot.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>

namespace {

class Preferences : public Palette {
protected:
    PreferencesSheet& sheet() { return palette->sheets().preferences(); }
    void open(int tab = -1) {
        QVariantMap options;
        if (tab >= 0) options.insert(QStringLiteral("tab"), tab);
        c->openSheet(QStringLiteral("preferences"), options);
        ASSERT_TRUE(rbxtest::waitFor([&] { return c->sheets().attachedSheet() == &sheet(); }, 3000));
    }
    template <class T>
    T* control(const char* name) {
        return sheet().findChild<T*>(QString::fromLatin1(name));
    }
    bool userHas(const QString& key) { return store->platformDefaults().persistentDomain().contains(key); }
    // Lets the queued change reports reach the sheet.
    void settle() { rbxtest::spinEventLoop(50); }
};

} // namespace

TEST(PreferencesSnapshot, HoldsTheTwentyTwoSettingsInOrder) {
    const QStringList& keys = PreferencesSnapshot::keys();
    EXPECT_EQ(keys.size(), 22);
    EXPECT_EQ(keys.first(), QStringLiteral("relativeFontSize"));
    EXPECT_EQ(keys.last(), QStringLiteral("checkForBetaVersions"));
    QStringList unique = keys;
    EXPECT_EQ(unique.removeDuplicates(), 0);
}

TEST_F(Preferences, ControlsChangeTheSettingsAtOnceAndFollowChangesMadeElsewhere) {
    open(PreferencesSheet::ViewAndInsertion);
    EXPECT_EQ(sheet().tabView()->currentIndex(), 1);
    auto* tooltips = control<QCheckBox>("showTooltipsButton");
    const bool before = store->boolForKey(rbx::key::showTooltips);
    EXPECT_EQ(tooltips->isChecked(), before);
    tooltips->click();
    EXPECT_EQ(store->boolForKey(rbx::key::showTooltips), !before);

    store->setInteger(7, rbx::key::recentLines.qname());
    settle();
    EXPECT_EQ(control<QSpinBox>("recentLinesField")->value(), 7);
    store->setInteger(3, rbx::key::updateInterval.qname());
    settle();
    EXPECT_EQ(control<QComboBox>("updateIntervalPopUp")->currentData().toInt(), 3);

    // The numeric HTML choice shows the form "hexHtml" picks.
    store->setBool(true, rbx::key::hexHtml.qname());
    settle();
    EXPECT_TRUE(control<QRadioButton>("htmlNumericButton")->text().contains(QStringLiteral("&#xf1;")));
    store->setBool(false, rbx::key::hexHtml.qname());
    settle();
    EXPECT_TRUE(control<QRadioButton>("htmlNumericButton")->text().contains(QStringLiteral("&#241;")));
    sheet().confirmPreferencesSheet();
    EXPECT_FALSE(c->hasSheet());
    EXPECT_EQ(store->boolForKey(rbx::key::showTooltips), !before);
}

TEST_F(Preferences, CancelPutsBackTheValuesAndRemovesWhatWasAbsent) {
    store->setBool(true, rbx::key::animateWindow.qname());
    store->setInteger(0, rbx::key::activator.qname());
    store->removeObjectForKey(rbx::key::recentLines.qname());
    open(PreferencesSheet::Activation);
    control<QCheckBox>("animateWindowButton")->click();
    auto* activator = control<QComboBox>("activatorPopUp");
    activator->setCurrentIndex(activator->findData(2));
    emit activator->activated(activator->currentIndex());
    store->setInteger(9, rbx::key::recentLines.qname());
    ASSERT_FALSE(store->boolForKey(rbx::key::animateWindow));
    ASSERT_EQ(store->integerForKey(rbx::key::activator), 2);
    sheet().cancelPreferencesSheet();
    EXPECT_TRUE(store->boolForKey(rbx::key::animateWindow));
    EXPECT_EQ(store->integerForKey(rbx::key::activator), 0);
    EXPECT_FALSE(userHas(rbx::key::recentLines.qname()));
    EXPECT_FALSE(sheet().snapshot().isTaken());
}

TEST_F(Preferences, ASheetDestroyedWhileOpenIsCancelledWhileItIsWhole) {
    store->setBool(true, rbx::key::animateWindow.qname());
    open(PreferencesSheet::Activation);
    control<QCheckBox>("animateWindowButton")->click();
    ASSERT_FALSE(store->boolForKey(rbx::key::animateWindow));
    delete &sheet();
    EXPECT_FALSE(c->hasSheet());
    EXPECT_TRUE(store->boolForKey(rbx::key::animateWindow));
    EXPECT_FALSE(c->window()->isActivating());
}

TEST_F(Preferences, ACancelAfterAnEarlierOKDoesNotBringBackARemovedValue) {
    store->removeObjectForKey(rbx::key::recentLines.qname());
    open();
    store->setInteger(5, rbx::key::recentLines.qname());
    sheet().confirmPreferencesSheet();
    // Removed after that OK; the next opening has no value to put back.
    store->removeObjectForKey(rbx::key::recentLines.qname());
    open();
    store->setInteger(8, rbx::key::recentLines.qname());
    sheet().cancelPreferencesSheet();
    EXPECT_FALSE(userHas(rbx::key::recentLines.qname()));
    EXPECT_EQ(store->integerForKey(rbx::key::recentLines), 2);
}

TEST_F(Preferences, ReturnIsOKExceptOnTheActivationTabAndTheRecorderStoresTheHotKey) {
    open(PreferencesSheet::Activation);
    auto* ok = control<QPushButton>("preferencesOKButton");
    EXPECT_FALSE(ok->isDefault());
    sheet().tabView()->setCurrentIndex(PreferencesSheet::Updates);
    EXPECT_TRUE(ok->isDefault());
    sheet().tabView()->setCurrentIndex(PreferencesSheet::Activation);
    EXPECT_FALSE(ok->isDefault());

    const QString old = store->stringForKey(rbx::key::openWindowHotkey);
    sheet().showWindowHotkey()->setSerializedDescription(QStringLiteral("1048576,8"));
    sheet().hotkeyChanged(*sheet().showWindowHotkey());
    EXPECT_EQ(store->stringForKey(rbx::key::openWindowHotkey), QStringLiteral("1048576,8"));
    sheet().cancelPreferencesSheet();
    EXPECT_EQ(store->stringForKey(rbx::key::openWindowHotkey), old);
    EXPECT_FALSE(sheet().showWindowHotkey()->isEnabled());
}

TEST_F(Preferences, OpeningIsRefusedWhileAnotherSheetIsAttachedAndTheStatusHintFollowsTheActivator) {
    store->setInteger(1, rbx::key::activator.qname());
    open();
    EXPECT_TRUE(control<QWidget>("statusHintField")->isVisibleTo(&sheet()));
    EXPECT_FALSE(control<QWidget>("autoHideQButton")->isVisibleTo(&sheet()));
    store->setInteger(2, rbx::key::activator.qname());
    settle();
    EXPECT_FALSE(control<QWidget>("statusHintField")->isVisibleTo(&sheet()));
    EXPECT_TRUE(control<QWidget>("autoHideQButton")->isVisibleTo(&sheet()));
    sheet().confirmPreferencesSheet();

    c->openSheet(QStringLiteral("about"));
    ASSERT_TRUE(rbxtest::waitFor([&] { return c->hasSheet(); }, 3000));
    sheet().showPreferences();
    EXPECT_EQ(c->sheets().attachedSheetName(), QStringLiteral("about"));
    c->closeSheet();
}
