#include "app/CharacterInfoSheet.h"

#include "app/CharacterInfoText.h"
#include "app/InfoFontListDataSource.h"
#include "app/SheetHost.h"
#include "core/LocalizedStrings.h"
#include "core/Log.h"
#include "core/Types.h"
#include "insertion/RbxClipboardCopies.h"
#include "model/CharacterText.h"
#include "model/RbxCharacterName.h"
#include "model/RbxFontList.h"
#include "table/widgets/RbxBigCharView.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

CharacterInfoSheet::CharacterInfoSheet(SheetHost& host, CharacterInfoPalette& palette, QWidget* parent)
    : QDialog(parent), host_(host), palette_(palette), source_(new InfoFontListDataSource(this)) {
    setObjectName(QStringLiteral("characterInfoSheet"));
    setWindowTitle(kx::loc(QStringLiteral("Character Information")));

    bigChar_ = new RbxBigCharView(this);
    bigChar_->setObjectName(QStringLiteral("infoBigCharView"));
    bigChar_->setFixedSize(180, 180);

    auto* facts = new QFormLayout;
    facts->setLabelAlignment(Qt::AlignRight);
    fontName_ = valueLabel("infoFontNameField");
    codePointLabel_ = new QLabel(this);
    codePointLabel_->setObjectName(QStringLiteral("infoCodePointLabel"));
    codePoint_ = valueLabel("infoCodePointField");
    html_ = valueLabel("infoHtmlField");
    utf8_ = valueLabel("infoUTF8Field");
    utf16_ = valueLabel("infoUTF16Field");
    utf32_ = valueLabel("infoUTF32Field");
    defaultName_ = valueLabel("infoDefaultCharNameField");
    defaultName_->setWordWrap(true);
    customName_ = new QLineEdit(this);
    customName_->setObjectName(QStringLiteral("infoCustomCharNameField"));
    customName_->setPlaceholderText(kx::loc(QStringLiteral("Your own name for the character")));
    facts->addRow(kx::loc(QStringLiteral("Font:")), fontName_);
    facts->addRow(codePointLabel_, codePoint_);
    facts->addRow(kx::loc(QStringLiteral("HTML:")), html_);
    facts->addRow(kx::loc(QStringLiteral("UTF-8:")), utf8_);
    facts->addRow(kx::loc(QStringLiteral("UTF-16:")), utf16_);
    facts->addRow(kx::loc(QStringLiteral("UTF-32:")), utf32_);
    facts->addRow(kx::loc(QStringLiteral("Name:")), defaultName_);
    facts->addRow(kx::loc(QStringLiteral("Custom Name:")), customName_);
    puaWarning_ = valueLabel("infoPuaWarningField");
    puaWarning_->setWordWrap(true);
    facts->addRow(QString(), puaWarning_);

    auto* top = new QHBoxLayout;
    top->addWidget(bigChar_, 0, Qt::AlignTop);
    top->addLayout(facts, 1);

    fontCount_ = valueLabel("infoFontCountField");
    fontCount_->setWordWrap(true);

    list_ = new QTableView(this);
    list_->setObjectName(QStringLiteral("infoFontListView"));
    list_->setModel(source_);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->verticalHeader()->hide();
    list_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    list_->verticalHeader()->setDefaultSectionSize(InfoFontListDataSource::RowHeight);
    list_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    list_->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Fixed);
    list_->horizontalHeader()->resizeSection(1, 80);
    list_->setShowGrid(false);
    list_->setMinimumHeight(4 * InfoFontListDataSource::RowHeight);
    listBigChar_ = new RbxBigCharView(this);
    listBigChar_->setObjectName(QStringLiteral("infoFontListBigCharView"));
    listBigChar_->setFixedSize(140, 140);
    source_->setBigCharView(listBigChar_);
    connect(list_->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        const QModelIndexList rows = list_->selectionModel()->selectedRows();
        source_->selectionChanged(rows.isEmpty() ? -1 : rows.first().row());
    });

    auto* listRow = new QHBoxLayout;
    listRow->addWidget(list_, 1);
    listRow->addWidget(listBigChar_, 0, Qt::AlignTop);

    switchButton_ = new QPushButton(kx::loc(QStringLiteral("Switch to Font")), this);
    switchButton_->setObjectName(QStringLiteral("infoSwitchToFontButton"));
    switchButton_->setAutoDefault(false);
    source_->setSwitchFontButton(switchButton_);
    auto* mark = new QPushButton(kx::loc(QStringLiteral("Mark Fonts")), this);
    mark->setObjectName(QStringLiteral("infoMarkFontsButton"));
    mark->setAutoDefault(false);
    auto* copy = new QPushButton(kx::loc(QStringLiteral("Copy Font List")), this);
    copy->setObjectName(QStringLiteral("infoCopyFontListButton"));
    copy->setAutoDefault(false);
    connect(switchButton_, &QPushButton::clicked, this, &CharacterInfoSheet::switchToSelectedFont);
    connect(mark, &QPushButton::clicked, this, &CharacterInfoSheet::markFontsInMainWindow);
    connect(copy, &QPushButton::clicked, this, &CharacterInfoSheet::copyFontList);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("infoOKButton"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("infoCancelButton"));
    connect(buttons, &QDialogButtonBox::accepted, this, &CharacterInfoSheet::confirmCharacterInfo);
    connect(buttons, &QDialogButtonBox::rejected, this, &CharacterInfoSheet::cancelCharacterInfo);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(switchButton_);
    bottom->addWidget(mark);
    bottom->addWidget(copy);
    bottom->addStretch(1);
    bottom->addWidget(buttons);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(fontCount_);
    layout->addLayout(listRow, 1);
    layout->addLayout(bottom);
    resize(560, 560);

    connect(customName_, &QLineEdit::textChanged, this, &CharacterInfoSheet::customCharacterNameChanged);
}

CharacterInfoSheet::~CharacterInfoSheet() {
    // Ended while this sheet is whole: its end handler uses it.
    if (host_.attachedSheet() == this) host_.endSheet(0);
}

QLabel* CharacterInfoSheet::valueLabel(const char* objectName) {
    auto* label = new QLabel(this);
    label->setObjectName(QString::fromLatin1(objectName));
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->setTextFormat(Qt::PlainText);
    return label;
}

void CharacterInfoSheet::showInfoForCharacter(char32_t c, const rbx::Font& font) {
    const rbx::Font shown = font ? font : palette_.selectedFont();
    source_->setCharacter(c, palette_.fontList().fontFamiliesContainingCharacter(c));
    list_->scrollToTop();
    switchButton_->setEnabled(false);
    if (source_->fontCount() > 0) list_->selectRow(0);
    else source_->selectionChanged(-1);
    if (palette_.logsSheets()) kx::log(QStringLiteral("showInfoForCharacter"));
    if (host_.hasSheet()) {
        if (palette_.logsSheets()) kx::log(QStringLiteral("character info blocked"));
        return;
    }
    setCharacter(c, shown);
    host_.beginSheet(this, SheetName, [this](int code) { ended(code); }, SheetHost::Keyboard::Leaves);
}

void CharacterInfoSheet::setCharacter(char32_t c, const rbx::Font& font) {
    c_ = c;
    font_ = font;
    const QString text = CharacterText::stringWithCharacter(c);
    bigChar_->setFont(font, text, false);
    fontName_->setText(font ? charinfo::fontText(font.displayName(), font.postScriptName()) : QString());
    const charinfo::CodePoints points = charinfo::codePoints(c);
    codePointLabel_->setText(points.label);
    codePoint_->setText(points.text);
    html_->setText(CharacterText::htmlStringForCharacter(c, c >= 128));
    utf8_->setText(charinfo::utf8(text));
    utf16_->setText(charinfo::utf16(text));
    utf32_->setText(charinfo::utf32(text));
    const QString name = RbxCharacterName::nameOfCharacter(c);
    defaultName_->setText(name.isEmpty() ? QStringLiteral("--") : name);
    {
        const QSignalBlocker quiet(customName_);
        customName_->setText(RbxCharacterName::userDefinedNameOfCharacter(c));
    }
    nameAtOpening_ = trimmedCustomCharacterNameFromField();
    puaWarning_->setText(kx::isPrivateUse(c) ? kx::loc(QStringLiteral("PUA_warning_message"))
                                                   .replace(QStringLiteral("%@"), font ? font.familyName() : QString())
                                             : QString());
    customCharacterNameChanged();
    fontCount_->setText(charinfo::countLine(c, text, source_->fontCount(), palette_.fontList().totalFamilyCount()));
}

QString CharacterInfoSheet::trimmedCustomCharacterNameFromField() const {
    return charinfo::trimmedCustomName(customName_->text());
}

void CharacterInfoSheet::customCharacterNameChanged() {
    puaWarning_->setVisible(kx::isPrivateUse(c_) && !trimmedCustomCharacterNameFromField().isEmpty());
}

void CharacterInfoSheet::confirmCharacterInfo() {
    const QString name = trimmedCustomCharacterNameFromField();
    if (name != nameAtOpening_ && !RbxCharacterName::setUserDefinedNameOfCharacter(c_, name))
        kx::log(QStringLiteral("the name of U+%1 could not be stored").arg(uint(c_), 4, 16, QLatin1Char('0')));
    host_.endSheet(1);
}

void CharacterInfoSheet::cancelCharacterInfo() { host_.endSheet(0); }

void CharacterInfoSheet::switchToSelectedFont() {
    const rbx::Font font = listBigChar_->charFont();
    if (font) palette_.selectFont(font.withPointSize(palette_.selectedFont().pointSize()));
}

void CharacterInfoSheet::markFontsInMainWindow() { palette_.markFontsContainingCharacter(c_); }

void CharacterInfoSheet::copyFontList() { RbxTableClipboard::shared().publishString(source_->listOfFontFamilies()); }

void CharacterInfoSheet::ended(int) {
    if (palette_.logsSheets()) kx::log(QStringLiteral("character info closed"));
    c_ = 0;
    font_ = {};
    nameAtOpening_.clear();
}
