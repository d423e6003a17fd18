// The About window: program icon, product line, copyright, the maker's home
// page and mail address (both clickable), and a memo with those two and the
// program's comment lines.
#pragma once

#include "components/KvActns.h"

#include <QDialog>
#include <QIcon>
#include <QString>
#include <QStringList>

class QLabel;
class QPlainTextEdit;
class QPushButton;

// A fixed 480 x 280 dialog whose controls carry the object names ProgramIcon,
// ProductName, Copyright, Url, Email, Memo1 and OKButton. Enter and Escape
// close it. Links go to urlOpener.
class TKvAboutBox : public QDialog {
public:
    TKvAboutBox(QWidget* parent, TKvUrlOpener urlOpener);

    void SetProgramIcon(const QIcon& icon);
    // Caption "<name> のバージョン情報", product line "<name>  Version <version>".
    void SetApplication(const QString& name, const QString& version);
    void SetCopyright(const QString& text);
    // The Url and Email labels, and the memo's first lines (the home page,
    // the address, an empty line); an empty one is hidden and left out.
    // Called once, before AppendComment.
    void SetContacts(const QString& homePageUrl, const QString& emailAddress);
    // Appends lines to the memo, after the contacts' lines.
    void AppendComment(const QStringList& lines);

    // What clicking the Url and Email labels does.
    void UrlClick();
    void EmailClick();

private:
    TKvUrlOpener urlOpener_;
    QString homePageUrl_;
    QLabel* programIcon_;
    QLabel* productName_;
    QLabel* copyright_;
    QLabel* url_;
    QLabel* email_;
    QPlainTextEdit* memo_;
    QPushButton* okButton_;
};
