#pragma once
// Printing lives in a module of its own (runebox-print), loaded the first time the user
// prints, so that the palette's start-up does not load the print support. The module
// knows nothing of the palette: it is handed one page that paints itself.

#include <QSizeF>
#include <QString>
#include <memory>

class QDialog;
class QPainter;

namespace rbx::print {

// One page, painted in points of the printable area (one point = one unit of the painter).
class Page {
public:
    virtual ~Page() = default;
    virtual void paint(QPainter& painter, const QSizeF& area) const = 0;
    // Painting on the printer could not begin.
    virtual void cannotBegin() const = 0;
};

enum class Outcome { Printed, Later, Failed };

// The module's entry point, looked up by its name: prints the page titled `title` into
// `pdfFile` at once when one is given (Printed); else makes the print dialog, not yet
// shown, into `*dialog` (Later): it prints the page when the user accepts it and deletes
// itself when it closes. The caller shows it (the palette, as a sheet).
using PrintFunction = Outcome (*)(const QString& title, const QString& pdfFile, const std::shared_ptr<const Page>& page,
                                  QDialog** dialog);
inline constexpr char EntryPoint[] = "rbx_print_page";
inline constexpr char ModuleName[] = "runebox-print";

// The module's function, loaded on first use from beside the executable or from
// ../lib/runebox (the application finds it); null when it cannot be loaded.
PrintFunction printFunction();

} // namespace rbx::print
