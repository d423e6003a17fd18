// The window where the desktop is not Japanese: with the English catalogue
// installed as the program installs it, no Japanese text is left in the
// main window, its list after a check, its menus and the dialogs a person
// opens from it; the help key opens the English page.
#include "ModalHelpers.h"
#include "WindowTest.h"
#include "app/QtTranslations.h"
#include "components/KvActns.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTabWidget>
#include <QTranslator>
#include <QTreeView>

namespace {

bool HasJapanese(const QString& text)
{
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if ((u >= 0x3000 && u <= 0x30FF) || (u >= 0x4E00 && u <= 0x9FFF) || (u >= 0xFF00 && u <= 0xFFEF))
            return true;
    }
    return false;
}

// Every text a person can read in widget and below it: titles, labels,
// buttons, tabs, combo items, tips, header captions, cells, actions.
QStringList JapaneseTextsIn(QWidget* root)
{
    QStringList found;
    const auto look = [&found](const QString& where, const QString& text) {
        if (HasJapanese(text))
            found << where + QStringLiteral(": ") + text;
    };
    QList<QWidget*> widgets = root->findChildren<QWidget*>();
    widgets.prepend(root);
    for (QWidget* widget : widgets) {
        const QString name = widget->objectName() + QStringLiteral(" (") +
                             QString::fromLatin1(widget->metaObject()->className()) + QStringLiteral(")");
        look(name, widget->windowTitle());
        look(name, widget->toolTip());
        look(name, widget->statusTip());
        if (auto* label = qobject_cast<QLabel*>(widget))
            look(name, label->text());
        if (auto* button = qobject_cast<QAbstractButton*>(widget))
            look(name, button->text());
        if (auto* group = qobject_cast<QGroupBox*>(widget))
            look(name, group->title());
        if (auto* menu = qobject_cast<QMenu*>(widget))
            look(name, menu->title());
        if (auto* edit = qobject_cast<QLineEdit*>(widget))
            look(name, edit->placeholderText());
        if (auto* tabs = qobject_cast<QTabWidget*>(widget))
            for (int i = 0; i < tabs->count(); ++i)
                look(name, tabs->tabText(i));
        if (auto* combo = qobject_cast<QComboBox*>(widget))
            for (int i = 0; i < combo->count(); ++i)
                look(name, combo->itemText(i));
        if (auto* view = qobject_cast<QAbstractItemView*>(widget); view && view->model()) {
            const QAbstractItemModel* model = view->model();
            for (int column = 0; column < model->columnCount(); ++column) {
                look(name, model->headerData(column, Qt::Horizontal).toString());
                for (int row = 0; row < std::min(model->rowCount(), 50); ++row)
                    look(name, model->data(model->index(row, column)).toString());
            }
        }
    }
    for (QAction* action : root->findChildren<QAction*>()) {
        look(action->objectName(), action->text());
        look(action->objectName(), action->toolTip());
        look(action->objectName(), action->statusTip());
    }
    return found;
}

// One line per text, for a readable failure.
std::string Listed(const QStringList& texts)
{
    return texts.join(u'\n').toStdString();
}

class EnglishWindow : public WindowTest {
protected:
    void SetUp() override
    {
        // What the program installs for LANG=en_US.UTF-8. Qt's Japanese
        // catalogue, which the tests' main installs, is not there: Qt's own
        // texts are English.
        ASSERT_TRUE(translator_.load(QStringLiteral(":/i18n/scanlark_en.qm")));
        for (QTranslator* japanese : qApp->findChildren<QTranslator*>()) {
            QCoreApplication::removeTranslator(japanese);
            removed_.push_back(japanese);
        }
        QCoreApplication::installTranslator(&translator_);
        // The tests' main fixes a Japanese locale; an English desktop's
        // names the file types and formats dates in English.
        locale_ = QLocale();
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        photos_.write("sound.jpg", SoundTestJpeg());
        Bytes cut = SoundTestJpeg();
        cut.resize(cut.size() / 2);
        photos_.write("cut.jpg", cut);
        photos_.write("empty.jpg", {});
    }
    void TearDown() override
    {
        WindowTest::TearDown();
        QCoreApplication::removeTranslator(&translator_);
        for (QTranslator* japanese : removed_)
            QCoreApplication::installTranslator(japanese);
        QLocale::setDefault(locale_);
    }
    // Opens the dialog that action shows, collects its Japanese texts and
    // closes it.
    QStringList JapaneseInDialog(const char* actionName, const QString& dialogName)
    {
        QStringList found;
        bool seen = false;
        WhenShown(dialogName, [&](QWidget* dialog) {
            seen = true;
            found = JapaneseTextsIn(dialog);
            dialog->close();
        });
        action(actionName)->trigger();
        // A modeless dialog (find) is answered after the trigger returns.
        EXPECT_TRUE(waitUntil([&] { return seen; })) << actionName;
        return found;
    }
    QTranslator translator_;
    std::vector<QTranslator*> removed_;
    QLocale locale_;
};

TEST_F(EnglishWindow, NoJapaneseInTheWindowItsListAndItsDialogs)
{
    OpenWindow(folder());
    ASSERT_TRUE(waitUntil([&] { return listed(3); }));
    action("JpegErrorCheckAllAct")->trigger();
    ASSERT_TRUE(waitUntil([&] { return idle(); }));
    EXPECT_EQ(Listed(JapaneseTextsIn(window_.get())), "");
    // The list's cells are English too: a verdict and a compression process.
    const QAbstractItemModel* model = list_->model();
    QStringList cells;
    for (int row = 0; row < model->rowCount(); ++row)
        for (int column = 0; column < model->columnCount(); ++column)
            cells << model->data(model->index(row, column)).toString();
    EXPECT_TRUE(cells.contains(QStringLiteral("None"))) << cells.join(u'|').toStdString();
    EXPECT_TRUE(cells.contains(QStringLiteral("Baseline Huffman"))) << cells.join(u'|').toStdString();

    EXPECT_EQ(Listed(JapaneseInDialog("OptionDetailAct", QStringLiteral("OptionDialog"))), "");
    EXPECT_EQ(Listed(JapaneseInDialog("ActRecentEdit", QStringLiteral("FormKvEditFileList"))), "");
    EXPECT_EQ(Listed(JapaneseInDialog("SearchFindAct", QStringLiteral("FindDialog1"))), "");

    // The chooser of a copy's destination, and the question before a delete.
    list_->setFocus();
    action("SelectAllAct")->trigger();
    QStringList chooser;
    bool chooserSeen = false;
    WhenShown(QStringLiteral("QFileDialog"), [&](QWidget* dialog) {
        chooserSeen = true;
        chooser = JapaneseTextsIn(dialog);
        qobject_cast<QFileDialog*>(dialog)->reject();
    });
    action("CopyFileAct")->trigger();
    EXPECT_TRUE(chooserSeen);
    EXPECT_EQ(Listed(chooser), "");
    QStringList question;
    WhenShown(QStringLiteral("DeleteConfirmDialog"), [&](QWidget* dialog) {
        question = JapaneseTextsIn(dialog);
        dialog->close();
    });
    action("DeleteFileAct")->trigger();
    EXPECT_EQ(Listed(question), "");
    EXPECT_TRUE(QFileInfo::exists(QString::fromStdString(photos_.path() + "/sound.jpg")));
}

TEST_F(EnglishWindow, HelpKeyOpensTheEnglishPage)
{
    OpenWindow(folder());
    auto* help = window_->findChild<TKvViewHelpHtmlAction*>(QStringLiteral("KvViewHelpHtmlActionSl"));
    ASSERT_NE(help, nullptr);
    EXPECT_EQ(help->FileName, QStringLiteral("slhelp/index.en.html"));
}

}  // namespace
