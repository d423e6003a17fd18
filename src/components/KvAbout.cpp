#include "components/KvAbout.h"

#include <QCoreApplication>
#include <QFontDatabase>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>

#include <functional>
#include <utility>

namespace {

// A label that acts on a left click released over it, as a link does.
class ClickableLabel : public QLabel {
public:
    ClickableLabel(QWidget* parent, std::function<void()> onClick) : QLabel(parent), onClick_(std::move(onClick))
    {
        setCursor(Qt::PointingHandCursor);
    }

protected:
    void mouseReleaseEvent(QMouseEvent* event) override
    {
        if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
            onClick_();
        QLabel::mouseReleaseEvent(event);
    }

private:
    std::function<void()> onClick_;
};

QLabel* PlaceLabel(QLabel* label, const char* name, int left, int top)
{
    label->setObjectName(QLatin1String(name));
    label->setTextFormat(Qt::PlainText);
    label->move(left, top);
    return label;
}

}  // namespace

TKvAboutBox::TKvAboutBox(QWidget* parent, TKvUrlOpener urlOpener)
    : QDialog(parent), urlOpener_(std::move(urlOpener))
{
    setFont(QFontDatabase::systemFont(QFontDatabase::GeneralFont));
    setFixedSize(480, 280);

    programIcon_ = PlaceLabel(new QLabel(this), "ProgramIcon", 32, 32);
    programIcon_->resize(32, 32);
    programIcon_->setScaledContents(true);

    productName_ = PlaceLabel(new QLabel(this), "ProductName", 96, 16);
    copyright_ = PlaceLabel(new QLabel(this), "Copyright", 96, 32);

    url_ = PlaceLabel(new ClickableLabel(this, [this] { UrlClick(); }), "Url", 96, 56);
    url_->setToolTip(QCoreApplication::translate("About", "ホームページ"));
    url_->hide();

    email_ = PlaceLabel(new ClickableLabel(this, [this] { EmailClick(); }), "Email", 96, 72);
    email_->setToolTip(QCoreApplication::translate("About", "メール"));
    email_->hide();

    memo_ = new QPlainTextEdit(this);
    memo_->setObjectName(QStringLiteral("Memo1"));
    memo_->setGeometry(8, 96, 465, 145);
    memo_->setReadOnly(true);
    memo_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // Read-only, the memo leaves Enter to the dialog, which presses OK.

    okButton_ = new QPushButton(QStringLiteral("OK"), this);
    okButton_->setObjectName(QStringLiteral("OKButton"));
    okButton_->setGeometry(200, 248, 81, 25);
    okButton_->setDefault(true);
    connect(okButton_, &QPushButton::clicked, this, &QDialog::accept);
    okButton_->setFocus();
}

void TKvAboutBox::SetProgramIcon(const QIcon& icon)
{
    programIcon_->setPixmap(icon.pixmap(32, 32));
}

void TKvAboutBox::SetApplication(const QString& name, const QString& version)
{
    setWindowTitle(QCoreApplication::translate("About", "%1 のバージョン情報").arg(name));
    productName_->setText(QStringLiteral("%1  Version %2").arg(name, version));
    productName_->adjustSize();
}

void TKvAboutBox::SetCopyright(const QString& text)
{
    copyright_->setText(text);
    copyright_->adjustSize();
}

void TKvAboutBox::SetContacts(const QString& homePageUrl, const QString& emailAddress)
{
    homePageUrl_ = homePageUrl;
    QString memo;
    for (auto [label, text] : {std::pair{url_, homePageUrl}, std::pair{email_, emailAddress}}) {
        label->setText(text);
        label->adjustSize();
        label->setVisible(!text.isEmpty());
        if (!text.isEmpty())
            memo += text + u'\n';
    }
    if (!memo.isEmpty())
        memo_->setPlainText(memo);  // and the empty line after them
}

void TKvAboutBox::AppendComment(const QStringList& lines)
{
    for (const QString& line : lines)
        memo_->appendPlainText(line);
}

void TKvAboutBox::UrlClick()
{
    if (!homePageUrl_.isEmpty())
        urlOpener_(QUrl(homePageUrl_));
}

void TKvAboutBox::EmailClick()
{
    if (!email_->text().isEmpty())
        urlOpener_(QUrl(QStringLiteral("mailto:") + email_->text()));
}
