#include "gui/InputUrlList/InputUrlList.h"

#include "core/search/AddressList.h"
#include "core/search/SaveTarget.h"
#include "core/search/SearchTexts.h"
#include "core/util/Deployment.h"
#include "core/util/Prompt.h"
#include "core/util/TextFile.h"
#include "gui/Form_BaoCun/Form_BaoCun.h"
#include "gui/InputUrlList/InputUrlListTexts.h"
#include "gui/shell/AppIcon.h"

#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace T = InputUrlListTexts;

namespace {
QPushButton *button(const QString &caption, const char *name)
{
    auto *b = new QPushButton(caption);
    b->setObjectName(QString::fromUtf8(name));
    b->setAutoDefault(false);
    return b;
}
} // namespace

InputUrlList::InputUrlList(ResultListModel &rows, SaveTarget &target, QWidget *parent)
    : QDialog(parent), m_rows(rows), m_target(target)
{
    setObjectName(QStringLiteral("InputUrlList"));
    setWindowTitle(T::kCaption);
    setWindowIcon(AppIcon());
    setModal(true);

    auto *column = new QVBoxLayout(this);
    auto *label1 = new QLabel(T::kLabel1);
    label1->setObjectName(QStringLiteral("Label1"));
    column->addWidget(label1);
    m_richTextBox1 = new QPlainTextEdit;
    m_richTextBox1->setObjectName(QStringLiteral("RichTextBox1"));
    label1->setBuddy(m_richTextBox1);
    m_richTextBox1->setLineWrapMode(QPlainTextEdit::NoWrap);
    // One address to a line, never a tab in one: Tab moves on to the buttons.
    m_richTextBox1->setTabChangesFocus(true);
    m_richTextBox1->setMinimumSize(520, 300);
    column->addWidget(m_richTextBox1, 1);

    auto *row = new QHBoxLayout;
    QPushButton *command1 = button(T::kClear, "Command1");
    QPushButton *command2 = button(T::kLoadFile, "Command2");
    QPushButton *command3 = button(T::kImport, "Command3");
    QPushButton *command4 = button(T::kCancel, "Command4");
    row->addWidget(command1);
    row->addWidget(command2);
    row->addStretch();
    row->addWidget(command3);
    row->addWidget(command4);
    column->addLayout(row);

    connect(command1, &QPushButton::clicked, m_richTextBox1, &QPlainTextEdit::clear);
    connect(command2, &QPushButton::clicked, this, &InputUrlList::loadFile);
    connect(command3, &QPushButton::clicked, this, &InputUrlList::importAddresses);
    connect(command4, &QPushButton::clicked, this, &QDialog::reject);
}

void InputUrlList::ask(ResultListModel &rows, SaveTarget &target, QWidget *parent)
{
    InputUrlList dialog(rows, target, parent);
    dialog.exec();
}

QString InputUrlList::qualifyingPrefix()
{
    return Deployment::documentPrefix();
}

void InputUrlList::loadFile()
{
    const QString path = QFileDialog::getOpenFileName(this, QString(), QString(), QStringLiteral("*.*"));
    if (path.isEmpty())
        return;
    if (const auto text = TextFile::readText(path))
        m_richTextBox1->setPlainText(*text);
}

void InputUrlList::importAddresses()
{
    Form_BaoCun::ask(m_target, this);
    if (m_target.SaveDialogCancelled)
        return;
    const QStringList addresses = QualifyingAddresses(m_richTextBox1->toPlainText(), qualifyingPrefix());
    const int count = AddAddressRows(m_rows, addresses, m_target.SaveFolder);
    Prompt::current().message(SearchTexts::kAddressesImported + QString::number(count) +
                                  SearchTexts::kAddressesImportedUnit,
                              Prompt::Icon::Information);
    m_richTextBox1->clear();
    accept();
}
