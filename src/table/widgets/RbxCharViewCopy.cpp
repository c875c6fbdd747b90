// The table view: copying one form of a character, and the other commands of a cell's
// context menu. No copy is an insertion: the recent characters and the insertion log stay
// as they are.
#include "table/widgets/RbxCharView.h"

#include "insertion/RbxClipboardCopies.h"

#include "model/CharacterText.h"

namespace {

void publish(const QString& text) { RbxTableClipboard::shared().publishString(text); }

} // namespace

char32_t RbxCharView::characterFromSender(const QVariant& sender) {
    bool ok = false;
    const qlonglong v = sender.toLongLong(&ok);
    return ok && v > 0 && v <= 0xFFFFFFFFLL ? char32_t(v) : 0;
}

void RbxCharView::copyCharacterPlain(char32_t c) { publish(CharacterText::stringWithCharacter(c)); }
void RbxCharView::copyCharacterHTML(char32_t c) { publish(c ? CharacterText::character(c, InsertMode::HTML) : QString()); }
void RbxCharView::copyCharacterUnicodeDecimal(char32_t c) { publish(CharacterText::decimalRepresentation(c)); }
void RbxCharView::copyCharacterUnicodeHex(char32_t c) { publish(CharacterText::hexRepresentation(c)); }
void RbxCharView::copyCharacterSwift(char32_t c) { publish(CharacterText::swiftRepresentation(c)); }
void RbxCharView::copyCharacterName(char32_t c) { publish(c ? CharacterText::fullNameOfCharacter(c) : QString()); }
void RbxCharView::copyCharacterDescription(char32_t c) { publish(CharacterText::descriptionOfCharacterOrLigature(c, false)); }

void RbxCharView::performMenuCommand(RbxMenuCommand command, char32_t c) {
    using C = RbxMenuCommand;
    switch (command) {
    case C::CopyPlain: copyCharacterPlain(c); break;
    case C::CopyHTML: copyCharacterHTML(c); break;
    case C::CopyDecimal: copyCharacterUnicodeDecimal(c); break;
    case C::CopyHex: copyCharacterUnicodeHex(c); break;
    case C::CopySwift: copyCharacterSwift(c); break;
    case C::CopyName: copyCharacterName(c); break;
    case C::CopyDescription: copyCharacterDescription(c); break;
    case C::ShowInfo: controller_->showInfoForCharacter(c); break;
    case C::MarkFonts: controller_->markFontsContainingCharacter(c); break;
    case C::ResetMarks: controller_->resetMarkedFonts(); break;
    case C::None: break;
    default: controller_->characterCommand(command, c); break;
    }
}
