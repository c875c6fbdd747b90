#pragma once
// The palette's search field and what it runs: the search of the character table, the
// template menu in front of the field, and the maintenance commands typed into it (the
// window controller's search duty). A text is first offered to the commands; a text that
// is none becomes the table's name-and-code filter.

#include "app/SearchCommands.h"

#include <QObject>
#include <QPointer>
#include <memory>

class PaletteContent;
class PaletteFontList;
class PaletteTable;
class PaletteTiming;
class QMenu;
class RbxDefaults;
class RbxSearchField;
class QWidget;

class PaletteSearch : public QObject, public SearchCommandHost {
    Q_OBJECT
public:
    // `window` is the palette window; the field is the content's.
    PaletteSearch(RbxDefaults& settings, PaletteTable& table, PaletteContent& content, PaletteFontList& fonts,
                  QWidget* window, QObject* parent = nullptr);
    ~PaletteSearch() override;

    RbxSearchField* field() const;
    QMenu* templateMenu() const { return menu_.get(); }

    // Fills the template menu from the bundle's templates and gives it to the field.
    void buildSearchTemplateMenu();
    // Runs the search of the field's text: a command is carried out (the table keeps its
    // filter); any other text filters the table. Emptied by a click or by the program
    // (not by a key), the field hands the keyboard to the table.
    void performSearch();
    // A template chosen: its text goes into the field and is searched.
    void enterSearchString(const QString& text);
    // Carries out the text when it is a maintenance command: beeps, logs
    // "feature activation: <reply>" and leaves the reply in the field. False when the text
    // is no command.
    bool secretCommand(const QString& text);
    const SearchCommands& commands() const { return commands_; }

    // ---- what the commands act on -----------------------------------------------------
    void setSetting(const QString& key, bool on) override;
    void setDebugging(bool on, int flag) override;
    void showVersion(bool show) override;
    void showBoundingBox(bool show) override;
    void setWindowTransparent(bool transparent) override;
    void runListing(const QString& command) override;
    void clearSearch() override;
    QString widestCharacters() override;
    void searchFor(const QString& text) override;

signals:
    // A search ran on the text (not for a command).
    void performed(const QString& text);

private:
    RbxDefaults& settings_;
    PaletteTable& table_;
    PaletteContent& content_;
    PaletteFontList& fonts_;
    QPointer<QWidget> window_;
    std::unique_ptr<QMenu> menu_;
    SearchCommands commands_;
    std::unique_ptr<PaletteTiming> timing_;
};
