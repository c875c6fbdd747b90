#pragma once
// The maintenance commands of the palette's search field: settings switches, debug flags
// and diagnostic listings that are in no menu. A text is a command when it equals one of
// the fixed words as a whole, ignoring case ("+hexhtml", "!fonts", ...), or when it is
// the debug form "+debug:N" / "-debug:N" (prefix compared exactly, N one digit).
//
// One fixed table holds the words, what each does and the reply the field shows. Two of
// the switches ("+tooltips", "-tooltips") are commands only while the gate is open: the
// gate word "pebble++" opens it and "pebble--" closes it, for the life of the object.
// What a command changes is its host's: the commands themselves hold no state but the
// gate.

#include <QString>
#include <optional>

// What the commands act on: the palette window controller in the running program.
class SearchCommandHost {
public:
    virtual ~SearchCommandHost() = default;
    // A boolean of the settings store.
    virtual void setSetting(const QString& key, bool on) = 0;
    // Debug flag 0 to 9.
    virtual void setDebugging(bool on, int flag) = 0;
    // The version label in the window's corner.
    virtual void showVersion(bool show) = 0;
    // The glyphs' bounding boxes in the table; every view of the window redraws.
    virtual void showBoundingBox(bool show) = 0;
    // The window's shadow off (transparent) or on; the content redraws.
    virtual void setWindowTransparent(bool transparent) = 0;
    // Runs the diagnostic listing of the command word ("!fonts").
    virtual void runListing(const QString& command) = 0;
    // Empties the search field and runs the search, so the table shows the whole font.
    virtual void clearSearch() = 0;
    // The run of the selected font's widest characters (the "!wide" listing, which is
    // copied); empty when there are none.
    virtual QString widestCharacters() = 0;
    // Puts the text into the search field and runs the search on it.
    virtual void searchFor(const QString& text) = 0;
};

class SearchCommands {
public:
    explicit SearchCommands(SearchCommandHost& host) : host_(host) {}

    // Carries out the text when it is a command and answers the reply the search field
    // shows; nothing when the text is no command (it is then searched as usual).
    std::optional<QString> perform(const QString& text);

    // The debug form: exactly the prefix and one decimal digit. Sets or clears that flag
    // and answers "(debug #N ON)" / "(debug #N OFF)"; nothing for any other text.
    std::optional<QString> setDebugFlag(bool on, const QString& text);

    bool isGateOpen() const { return gateOpen_; }

    // The words of the table, in the order they are tried (the debug form aside).
    static QStringList words();

private:
    SearchCommandHost& host_;
    bool gateOpen_ = false;
};
