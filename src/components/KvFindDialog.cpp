#include "components/KvFindDialog.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

TKvFindDialog::TKvFindDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FindDialog1"));
    setWindowTitle(QCoreApplication::translate("FindDialog", "検索"));
    setModal(false);
    auto* label = new QLabel(QCoreApplication::translate("FindDialog", "検索する文字列(&N):"), this);
    text_ = new QLineEdit(this);
    text_->setObjectName(QStringLiteral("FindDialog1Text"));
    label->setBuddy(text_);
    auto* matchCase = new QCheckBox(QCoreApplication::translate("FindDialog", "大文字と小文字を区別する(&C)"), this);
    auto* wholeWord = new QCheckBox(QCoreApplication::translate("FindDialog", "単語単位で探す(&W)"), this);
    auto* direction = new QGroupBox(QCoreApplication::translate("FindDialog", "検索する方向"), this);
    auto* up = new QRadioButton(QCoreApplication::translate("FindDialog", "上へ(&U)"), direction);
    auto* down = new QRadioButton(QCoreApplication::translate("FindDialog", "下へ(&D)"), direction);
    down->setChecked(true);
    auto* directionLayout = new QHBoxLayout(direction);
    directionLayout->addWidget(up);
    directionLayout->addWidget(down);
    for (QWidget* fixed : {static_cast<QWidget*>(matchCase), static_cast<QWidget*>(wholeWord),
                           static_cast<QWidget*>(direction)})
        fixed->setEnabled(false);
    findButton_ = new QPushButton(QCoreApplication::translate("FindDialog", "次を検索(&F)"), this);
    findButton_->setObjectName(QStringLiteral("FindDialog1FindButton"));
    findButton_->setDefault(true);
    findButton_->setEnabled(false);
    auto* cancelButton = new QPushButton(QCoreApplication::translate("FindDialog", "キャンセル"), this);
    connect(text_, &QLineEdit::textChanged, this, &TKvFindDialog::FindTextChanged);
    connect(findButton_, &QPushButton::clicked, this, &TKvFindDialog::findRequested);
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);

    auto* textRow = new QHBoxLayout;
    textRow->addWidget(label);
    textRow->addWidget(text_, 1);
    auto* checks = new QVBoxLayout;
    checks->addWidget(wholeWord);
    checks->addWidget(matchCase);
    auto* options = new QHBoxLayout;
    options->addLayout(checks);
    options->addWidget(direction);
    auto* fields = new QVBoxLayout;
    fields->addLayout(textRow);
    fields->addLayout(options);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(findButton_);
    buttons->addWidget(cancelButton);
    buttons->addStretch(1);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(fields, 1);
    layout->addLayout(buttons);
}

QString TKvFindDialog::FindText() const
{
    return text_->text();
}

void TKvFindDialog::ShowForInput()
{
    show();
    raise();
    activateWindow();
    text_->setFocus();
    text_->selectAll();
}

void TKvFindDialog::FindTextChanged(const QString& text)
{
    findButton_->setEnabled(!text.isEmpty());
}
