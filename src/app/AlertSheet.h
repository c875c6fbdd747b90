#pragma once
// An alert shown as a sheet on the palette: a message in bold, an explanation below it,
// and up to three buttons that end the sheet with their return codes: the default
// button 1, the alternate button 0 and the other button 1002, and more buttons with
// codes of their own. The window title is
// the sheet's name, so that tools on the desktop can find it.

#include <QDialog>
#include <QList>
#include <QPair>
#include <QString>

class QHBoxLayout;
class QLabel;
class QPushButton;

class AlertSheet : public QDialog {
    Q_OBJECT
public:
    static constexpr int DefaultReturn = 1;
    static constexpr int AlternateReturn = 0;
    static constexpr int OtherReturn = 1002;

    // Empty button titles leave the button out; the default button is always there
    // ("OK" when empty).
    AlertSheet(const QString& name, const QString& message, const QString& informative, const QString& defaultButton,
               const QString& alternateButton = QString(), const QString& otherButton = QString(),
               QWidget* parent = nullptr);

    QString name() const { return windowTitle(); }
    QString message() const;
    // Return and Enter press none of the buttons.
    void withoutDefaultButton();
    QString informativeText() const;
    // The button that ends with the code; null when the alert has none.
    QPushButton* button(int returnCode) const;
    // One more button, ending the sheet with `returnCode`, left of the alternate button.
    QPushButton* addButton(const QString& title, int returnCode, const QString& objectName);
    // Escape ends the sheet with this code (0 unless told).
    void setEscapeReturn(int returnCode) { escapeReturn_ = returnCode; }
    void reject() override;

private:
    QLabel* message_;
    QLabel* informative_;
    QPushButton* default_;
    QPushButton* alternate_ = nullptr;
    QPushButton* other_ = nullptr;
    QList<QPair<int, QPushButton*>> extra_;
    QHBoxLayout* buttons_;
    int escapeReturn_ = 0;
};
