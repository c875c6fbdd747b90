#include "app/AlertSheet.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

AlertSheet::AlertSheet(const QString& name, const QString& message, const QString& informative,
                       const QString& defaultButton, const QString& alternateButton, const QString& otherButton,
                       QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(name);
    setObjectName(name);
    auto* layout = new QVBoxLayout(this);
    message_ = new QLabel(message, this);
    message_->setObjectName(QStringLiteral("alertMessage"));
    message_->setWordWrap(true);
    QFont bold = message_->font();
    bold.setBold(true);
    message_->setFont(bold);
    informative_ = new QLabel(informative, this);
    informative_->setObjectName(QStringLiteral("alertInformative"));
    informative_->setWordWrap(true);
    layout->addWidget(message_);
    layout->addWidget(informative_);
    auto* buttons = new QHBoxLayout;
    buttons_ = buttons;
    auto add = [this, buttons](const QString& title, int code, const char* objectName) {
        auto* b = new QPushButton(title, this);
        b->setObjectName(QLatin1String(objectName));
        connect(b, &QPushButton::clicked, this, [this, code] { done(code); });
        buttons->addWidget(b);
        return b;
    };
    if (!otherButton.isEmpty()) other_ = add(otherButton, OtherReturn, "alertOtherButton");
    buttons->addStretch();
    if (!alternateButton.isEmpty()) alternate_ = add(alternateButton, AlternateReturn, "alertAlternateButton");
    default_ = add(defaultButton.isEmpty() ? tr("OK") : defaultButton, DefaultReturn, "alertDefaultButton");
    default_->setDefault(true);
    layout->addLayout(buttons);
    setMinimumWidth(380);
}

void AlertSheet::withoutDefaultButton() {
    for (QPushButton* b : findChildren<QPushButton*>()) {
        b->setDefault(false);
        b->setAutoDefault(false);
    }
}

QString AlertSheet::message() const { return message_->text(); }
QString AlertSheet::informativeText() const { return informative_->text(); }

QPushButton* AlertSheet::button(int returnCode) const {
    switch (returnCode) {
    case DefaultReturn: return default_;
    case AlternateReturn: return alternate_;
    case OtherReturn: return other_;
    default:
        for (const auto& [code, b] : extra_)
            if (code == returnCode) return b;
        return nullptr;
    }
}

QPushButton* AlertSheet::addButton(const QString& title, int returnCode, const QString& objectName) {
    auto* b = new QPushButton(title, this);
    b->setObjectName(objectName);
    connect(b, &QPushButton::clicked, this, [this, returnCode] { done(returnCode); });
    // Before the stretch's right side: after the other button and the stretch.
    buttons_->insertWidget(buttons_->indexOf(alternate_ ? alternate_ : default_), b);
    extra_.append({returnCode, b});
    return b;
}

void AlertSheet::reject() { done(escapeReturn_); }
