#include "gui/fFileDownload/UrlReplace.h"

#include "core/download/ListTools.h"
#include "core/util/Prompt.h"
#include "gui/fFileDownload/DownloadWindowTexts.h"
#include "gui/shell/AppIcon.h"
#include "gui/shell/ShellTexts.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace T = DownloadWindowTexts;

UrlReplace::UrlReplace(DownloadListModel &list, QWidget *parent) : QDialog(parent), m_list(list)
{
    setObjectName(QStringLiteral("UrlReplace"));
    setWindowTitle(T::kReplaceCaption);
    setWindowIcon(AppIcon());
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    auto *label1 = new QLabel(T::kReplaceFind, this);
    label1->setObjectName(QStringLiteral("Label1"));
    m_text1 = new QLineEdit(this);
    m_text1->setObjectName(QStringLiteral("Text1"));
    auto *label2 = new QLabel(T::kReplaceWith, this);
    label2->setObjectName(QStringLiteral("Label2"));
    m_text2 = new QLineEdit(this);
    m_text2->setObjectName(QStringLiteral("Text2"));
    label1->setBuddy(m_text1);
    label2->setBuddy(m_text2);
    auto *command1 = new QPushButton(T::kReplace, this);
    command1->setObjectName(QStringLiteral("Command1"));
    auto *command2 = new QPushButton(ShellTexts::kCancel, this);
    command2->setObjectName(QStringLiteral("Command2"));
    auto *grid = new QGridLayout(this);
    grid->addWidget(label1, 0, 0);
    grid->addWidget(m_text1, 0, 1);
    grid->addWidget(label2, 1, 0);
    grid->addWidget(m_text2, 1, 1);
    grid->addWidget(command1, 0, 2);
    grid->addWidget(command2, 1, 2);
    m_text1->setMinimumWidth(320);
    connect(command1, &QPushButton::clicked, this, &UrlReplace::replace);
    connect(command2, &QPushButton::clicked, this, &QDialog::reject);
}

void UrlReplace::replace()
{
    if (m_text1->text().trimmed().isEmpty()) {
        Prompt::current().message(T::kReplaceEnterText, Prompt::Icon::Critical);
        return;
    }
    ReplaceInAddresses(m_list, m_text1->text(), m_text2->text());
    accept();
    Prompt::current().message(T::kReplaceDone, Prompt::Icon::Information);
}
