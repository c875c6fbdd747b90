// The print module's one entry point: Qt's printer and print dialog.

#include "print/PrintModule.h"

#include <QDialog>
#include <QPageLayout>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>

namespace {

void printOn(QPrinter& printer, const rbx::print::Page& page) {
    QPainter painter;
    if (!painter.begin(&printer)) {
        page.cannotBegin();
        return;
    }
    const QRectF area = printer.pageLayout().paintRect(QPageLayout::Point);
    const double scale = printer.resolution() / 72.0;
    painter.scale(scale, scale);
    page.paint(painter, area.size());
    painter.end();
}

} // namespace

extern "C" Q_DECL_EXPORT rbx::print::Outcome rbx_print_page(const QString& title, const QString& pdfFile,
                                                            const std::shared_ptr<const rbx::print::Page>& page,
                                                            QDialog** dialogOut) {
    auto* printer = new QPrinter(QPrinter::HighResolution);
    printer->setDocName(title);
    if (!pdfFile.isEmpty()) {
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(pdfFile);
        printOn(*printer, *page);
        delete printer;
        return rbx::print::Outcome::Printed;
    }
    auto* dialog = new QPrintDialog(printer);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(dialog, &QDialog::finished, dialog, [printer, page](int result) {
        if (result == QDialog::Accepted) printOn(*printer, *page);
        delete printer;
    });
    *dialogOut = dialog;
    return rbx::print::Outcome::Later;
}
