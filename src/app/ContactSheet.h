#pragma once
// The contact sheet: the maker's web site and questions answered there, and a mail to
// technical support or to customer service that carries the technical line of the
// installation. Addresses come from the bundle's "Config.plist" ("makerURL", "faqPath",
// "supportAddress", "salesAddress"); pages and mail open with the desktop's opener.
// Registered with the palette's SheetHost as "contact".

#include <QDialog>
#include <QUrl>

class PaletteFontList;
class RbxCharWindowController;
class RbxDefaults;

class ContactSheet : public QDialog {
    Q_OBJECT
public:
    static inline const QString SheetName = QStringLiteral("contact");

    ContactSheet(RbxCharWindowController& palette, RbxDefaults& settings, PaletteFontList& fonts, QWidget* parent = nullptr);

    void showContact();
    void closeContact();
    void visitMaker();
    void visitFAQ();
    void sendSupportMail();
    void sendSalesMail();

    // The configured addresses.
    static QUrl makerURL();
    static QUrl faqURL();
    static QString configValue(const QString& key);

private:
    void sendMailTo(const QString& address, const QString& subjectKey);
    RbxCharWindowController& palette_;
    RbxDefaults& settings_;
    PaletteFontList& fonts_;
};
