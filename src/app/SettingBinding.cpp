#include "app/SettingBinding.h"

#include "kxlib/RbxDefaults.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QSignalBlocker>
#include <QSpinBox>

SettingBinding::SettingBinding(RbxDefaults& store, const QString& key, QObject* parent)
    : QObject(parent), store_(store), key_(key) {
    store_.observeKey(key);
    store_.addObserver(this);
}

SettingBinding::~SettingBinding() { store_.removeObserver(this); }

void SettingBinding::defaultChanged(const QString& key) {
    if (key != key_) return;
    read();
    emit changed(key_);
}

namespace {

class CheckBinding : public SettingBinding {
public:
    CheckBinding(RbxDefaults& store, const QString& key, QAbstractButton* box) : SettingBinding(store, key, box), box_(box) {
        box->setCheckable(true);
        connect(box, &QAbstractButton::toggled, this, [this](bool on) {
            store_.setBool(on, key_);
            emit changed(key_);
        });
        read();
    }
    void read() override {
        const QSignalBlocker quiet(box_);
        box_->setChecked(store_.boolForKey(key_));
    }

private:
    QPointer<QAbstractButton> box_;
};

class ChoiceBinding : public SettingBinding {
public:
    ChoiceBinding(RbxDefaults& store, const QString& key, QComboBox* popUp) : SettingBinding(store, key, popUp), popUp_(popUp) {
        connect(popUp, &QComboBox::activated, this, [this](int index) {
            store_.setInteger(popUp_->itemData(index).toInt(), key_);
            emit changed(key_);
        });
        read();
    }
    void read() override {
        const QSignalBlocker quiet(popUp_);
        popUp_->setCurrentIndex(popUp_->findData(store_.integerForKey(key_)));
    }

private:
    QPointer<QComboBox> popUp_;
};

class RadioBinding : public SettingBinding {
public:
    RadioBinding(RbxDefaults& store, const QString& key, QButtonGroup* group, bool yesNo)
        : SettingBinding(store, key, group), group_(group), yesNo_(yesNo) {
        connect(group, &QButtonGroup::idClicked, this, [this](int id) {
            if (yesNo_) store_.setBool(id != 0, key_);
            else store_.setInteger(id, key_);
            emit changed(key_);
        });
        read();
    }
    void read() override {
        const int id = yesNo_ ? int(store_.boolForKey(key_)) : store_.integerForKey(key_);
        if (QAbstractButton* b = group_->button(id)) {
            const QSignalBlocker quiet(b);
            b->setChecked(true);
        }
    }

private:
    QPointer<QButtonGroup> group_;
    bool yesNo_;
};

class IntegerBinding : public SettingBinding {
public:
    IntegerBinding(RbxDefaults& store, const QString& key, QSpinBox* field) : SettingBinding(store, key, field), field_(field) {
        connect(field, &QSpinBox::valueChanged, this, [this](int v) {
            store_.setInteger(v, key_);
            emit changed(key_);
        });
        read();
    }
    void read() override {
        const QSignalBlocker quiet(field_);
        field_->setValue(store_.integerForKey(key_));
    }

private:
    QPointer<QSpinBox> field_;
};

class NumberBinding : public SettingBinding {
public:
    NumberBinding(RbxDefaults& store, const QString& key, QDoubleSpinBox* field)
        : SettingBinding(store, key, field), field_(field) {
        connect(field, &QDoubleSpinBox::valueChanged, this, [this](double v) {
            store_.setDouble(v, key_);
            emit changed(key_);
        });
        read();
    }
    void read() override {
        const QSignalBlocker quiet(field_);
        field_->setValue(store_.doubleForKey(key_));
    }

private:
    QPointer<QDoubleSpinBox> field_;
};

} // namespace

SettingBinding* SettingBinding::check(RbxDefaults& s, const QString& k, QAbstractButton* w) { return new CheckBinding(s, k, w); }
SettingBinding* SettingBinding::choice(RbxDefaults& s, const QString& k, QComboBox* w) { return new ChoiceBinding(s, k, w); }
SettingBinding* SettingBinding::radio(RbxDefaults& s, const QString& k, QButtonGroup* g, bool yesNo) {
    return new RadioBinding(s, k, g, yesNo);
}
SettingBinding* SettingBinding::integer(RbxDefaults& s, const QString& k, QSpinBox* w) { return new IntegerBinding(s, k, w); }
SettingBinding* SettingBinding::number(RbxDefaults& s, const QString& k, QDoubleSpinBox* w) { return new NumberBinding(s, k, w); }
