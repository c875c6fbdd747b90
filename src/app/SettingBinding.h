#pragma once
// A control of the preferences bound to one setting: a change in the control is a change
// in the settings store at once, and a change of the setting (in this process or by
// another program writing the settings) shows in the control.

#include "kxlib/KXDefaultObserver.h"

#include <QObject>
#include <QPointer>
#include <QString>

class QAbstractButton;
class QButtonGroup;
class QComboBox;
class QDoubleSpinBox;
class QSpinBox;
class RbxDefaults;

class SettingBinding : public QObject, public KXDefaultObserver {
    Q_OBJECT
public:
    ~SettingBinding() override;
    const QString& key() const { return key_; }
    // Shows the setting's value in the control.
    virtual void read() = 0;
    void defaultChanged(const QString& key) override;

    // A check box (or any checkable button) for a yes/no setting.
    static SettingBinding* check(RbxDefaults& store, const QString& key, QAbstractButton* box);
    // A pop-up whose items carry the setting's numbers as their data.
    static SettingBinding* choice(RbxDefaults& store, const QString& key, QComboBox* popUp);
    // A group of radio buttons whose ids are the setting's numbers (a yes/no setting
    // takes 0 and 1).
    static SettingBinding* radio(RbxDefaults& store, const QString& key, QButtonGroup* group, bool yesNo);
    static SettingBinding* integer(RbxDefaults& store, const QString& key, QSpinBox* field);
    static SettingBinding* number(RbxDefaults& store, const QString& key, QDoubleSpinBox* field);

signals:
    // The setting changed (from the control or from outside).
    void changed(const QString& key);

protected:
    SettingBinding(RbxDefaults& store, const QString& key, QObject* parent);
    QString observerClassName() const override { return QStringLiteral("SettingBinding"); }
    RbxDefaults& store_;
    QString key_;
    bool reading_ = false;
};
