#pragma once
// The one road by which sheets come onto the palette: About, preferences, contact, the
// shape finder, character information and alerts. A sheet is a QDialog shown
// window-modal on the palette. The host
//   - shows the palette first when it is hidden and begins the sheet 0.01 s later,
//   - refuses a second sheet while one is attached,
//   - stops any fade (a palette with a sheet never stays faded out or transparent),
//     hides the magnifier and the tool tip and turns the table's sheet tracking on,
//   - lets the palette take the keyboard while a sheet that needs it is attached,
//   - and, when the sheet ends, turns tracking off, orders the sheet out, makes the
//     palette non-activating again and runs the sheet's end handler with the return code.
// Named sheets register an opener, so that the window controller's openSheet and the
// URL command "open" reach every sheet the same way.

#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariantMap>
#include <functional>

#include <QDialog>
class QWidget;

class SheetHost : public QObject {
    Q_OBJECT
public:
    // Whether the palette takes the keyboard while the sheet is attached. The shape
    // finder and the character information leave it a non-activating panel.
    enum class Keyboard { Takes, Leaves };
    enum class Begin { Began, Deferred, Refused };
    using EndHandler = std::function<void(int returnCode)>;
    using Opener = std::function<void(const QVariantMap& options)>;

    struct Hooks {
        std::function<QWidget*()> window;          // the palette window
        std::function<bool()> isWindowVisible;
        std::function<void()> appearWindow;        // shows the palette
        std::function<void()> stopFading;          // fade-out and fade-in stopped, alpha 1
        std::function<void()> hideTransients;      // magnifier and tool tip
        std::function<void(QWidget* sheet, bool on)> setSheetTracking;
        std::function<void(bool activating)> setWindowActivating;
        std::function<bool()> logSheets;           // "log sheets"
    };

    explicit SheetHost(Hooks hooks, QObject* parent = nullptr);
    ~SheetHost() override;

    // Begins `sheet` on the palette. Refused (and logged as "<name> blocked" with
    // "log sheets") while another sheet is attached; deferred by 0.01 s when the palette
    // had to be shown first.
    Begin beginSheet(QDialog* sheet, const QString& name, EndHandler onEnd, Keyboard keyboard = Keyboard::Takes);
    // Ends the attached sheet with the return code (nothing when there is none).
    void endSheet(int returnCode);

    bool hasSheet() const { return attached_; }
    QDialog* attachedSheet() const { return sheet_.data(); }
    QString attachedSheetName() const { return hasSheet() ? name_ : QString(); }
    // Whether the attached sheet takes the keyboard.
    bool attachedSheetTakesKeyboard() const { return hasSheet() && keyboard_ == Keyboard::Takes; }

    // Named sheets ("about", "preferences", "contact", "shapeFinder", ...).
    void registerSheet(const QString& name, Opener opener);
    bool isRegistered(const QString& name) const { return openers_.contains(name); }
    QStringList registeredSheets() const { return openers_.keys(); }
    // Runs the opener of a named sheet; false when there is none.
    bool openNamedSheet(const QString& name, const QVariantMap& options = {});

signals:
    void sheetBegan(const QString& name);
    void sheetEnded(const QString& name, int returnCode);

private:
    void finished(int returnCode);
    bool logSheets() const { return hooks_.logSheets && hooks_.logSheets(); }

    Hooks hooks_;
    QPointer<QDialog> sheet_;
    QString name_;
    EndHandler onEnd_;
    Keyboard keyboard_ = Keyboard::Takes;
    bool attached_ = false;
    QMetaObject::Connection finishedConnection_;
    QMetaObject::Connection destroyedConnection_;
    QMap<QString, Opener> openers_;
};
