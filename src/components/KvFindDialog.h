// The modeless find dialog of the file list: a text and a find button. Only
// a downward, case-insensitive prefix search exists, so its match-case,
// whole-word and direction controls are shown fixed (downward).
//
// Object names: "FindDialog1" (the dialog), "FindDialog1Text" (the text),
// "FindDialog1FindButton". Main thread only.
#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

class TKvFindDialog : public QDialog {
    Q_OBJECT

public:
    explicit TKvFindDialog(QWidget* parent = nullptr);

    // The text to find; empty until the person types one.
    QString FindText() const;
    // Shows and raises the dialog with its text selected and focused.
    void ShowForInput();

Q_SIGNALS:
    // The find button was pressed (it is enabled only with a text).
    void findRequested();

private:
    void FindTextChanged(const QString& text);

    QLineEdit* text_;
    QPushButton* findButton_;
};
