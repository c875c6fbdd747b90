#pragma once
// The shape finder on the palette: its sheet (the drawing pad) comes up through the
// palette's SheetHost as "shapeFinder"; Find turns the drawing into a search for the
// characters of closest shape, saves the drawing in the support folder's "Shapes"
// (once per drawing) and ends the sheet; Cancel ends it and the drawing stays for the
// next opening. The best matches' qualities are what the table marks.

#include "shapes/ShapeMatching.h"
#include "table/core/RbxContextMenu.h"

#include <QObject>
#include <QPointer>
#include <memory>

class RbxCharWindowController;
class RbxDefaults;

namespace shapes {
class ShapeFinderSheet;
class ShapePad;
}

class ShapeFinder : public QObject {
    Q_OBJECT
public:
    ShapeFinder(RbxCharWindowController& controller, RbxDefaults& settings, shapes::ShapeDataFiles files,
                QObject* parent = nullptr);
    ~ShapeFinder() override;

    // Registers the sheet's opener with the palette's sheets.
    void registerSheet();
    void open();
    bool isSheetVisible() const;
    // Find and Cancel.
    void confirm();
    void cancel();
    // Clears the drawing, shows the character in that font behind it, opens the sheet.
    void findSimilarShape(char32_t c, const QString& font);
    // Loads a shape file into the pad in place of the drawing and opens the sheet (or
    // leaves it open). A file that cannot be read leaves the drawing as it was and is
    // named, with the reason, in the alert "shapeFileAlert".
    void openShapeFile(const QString& path);
    static inline const QString UnreadableFileAlert = QStringLiteral("shapeFileAlert");
    // Gives the pad the keys again when the sheet is up; answers NO always.
    bool reenter();

    // The shape commands of a character's context menu: "Find Similar Shape..." with the
    // font shown, and, while the developer tools are on and the drawing is saved, marking
    // the character as the drawing's correct or a wrong match.
    bool offersCommand(RbxMenuCommand command) const;
    bool offersTrainingCommands() const;
    void performCommand(RbxMenuCommand command, char32_t c, const QString& font);

    const shapes::ShapeMatchResult& result() const { return matching_.result(); }
    shapes::ShapeFinderSheet& sheet();
    shapes::ShapePad& pad();

    // The name a drawing saved now gets, inside `folder`: the local date and time, with
    // a number added when a file of that name exists.
    static QString drawingFileName(const QString& folder);

private:
    void ended(int returnCode);
    void showUnreadableFile(const QString& path, const QString& reason);

    RbxCharWindowController& controller_;
    RbxDefaults& settings_;
    shapes::ShapeMatching matching_;
    QPointer<shapes::ShapeFinderSheet> sheet_;
};
