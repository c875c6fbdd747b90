#include "kxlib/gui/ClearButton.h"

#include <QCoreApplication>
#include <QLineEdit>
#include <QToolButton>

namespace kx::view {

void enableClearButton(QLineEdit* field) {
    field->setClearButtonEnabled(true);
    for (QToolButton* b : field->findChildren<QToolButton*>(Qt::FindDirectChildrenOnly))
        if (b->accessibleName().isEmpty() && b->text().isEmpty())
            b->setAccessibleName(QCoreApplication::translate("ClearButton", "Clear"));
}

} // namespace kx::view
