#pragma once
// View 12 of the palette: in place of the character table, a read-only text of facts
// about the selected font (FontInfoText), one labelled line each, the labels right-aligned
// at one tab stop and the values beside them, continuation lines under the value. Web
// addresses and the font's file are links that open with the desktop's opener.

#include "kxlib/KXDefaultObserver.h"
#include "platform/fonts/Font.h"

#include <QObject>

class PaletteContent;
class QTextBrowser;
class QWidget;
class RbxDefaults;

class FontInfoView : public QObject, public KXDefaultObserver {
    Q_OBJECT
public:
    static constexpr int View = 12;

    FontInfoView(RbxDefaults& settings, PaletteContent& content, QObject* parent = nullptr);
    ~FontInfoView() override;

    QTextBrowser* infoTextView() const { return text_; }
    QWidget* page() const { return page_; }

    void setFont(const rbx::Font& font);
    // Builds the text for the font shown.
    void updateFontInfo();
    // The view takes the keyboard when the mouse comes into it.
    void activateInfoView();

    void defaultChanged(const QString& key) override;

protected:
    QString observerClassName() const override { return QStringLiteral("FontInfoView"); }

private:
    void showView(int view);
    void openLink(const QUrl& url);

    RbxDefaults& settings_;
    PaletteContent& content_;
    rbx::Font font_;
    QWidget* page_ = nullptr;
    QTextBrowser* text_ = nullptr;
    bool stale_ = true;
};
