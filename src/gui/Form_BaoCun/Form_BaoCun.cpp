#include "gui/Form_BaoCun/Form_BaoCun.h"

#include "core/search/SaveTarget.h"
#include "core/store/Settings.h"
#include "core/util/FileNameRules.h"
#include "core/util/FolderHistory.h"
#include "core/util/Prompt.h"
#include "gui/shell/AppIcon.h"
#include "gui/shell/ComboTools.h"
#include "gui/shell/FolderBrowser.h"

#include <QComboBox>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

namespace {
const QString kCaption = QStringLiteral("选择下载保存路径");
const QString kBrowsePrompt = QStringLiteral("请选择要浏览的文件夹:");
const QString kCreateFailed = QStringLiteral("创建文件夹出错！");
} // namespace

Form_BaoCun::Form_BaoCun(SaveTarget &target, QWidget *parent) : QDialog(parent), m_target(target)
{
    setObjectName(QStringLiteral("Form_BaoCun"));
    setWindowTitle(kCaption);
    setWindowIcon(AppIcon());
    setWindowFlag(Qt::WindowStaysOnTopHint);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    auto named = [](QWidget *w, const char *name) {
        w->setObjectName(QString::fromUtf8(name));
        return w;
    };
    m_label1 = static_cast<QLabel *>(named(new QLabel(QStringLiteral("保存到文件夹："), this), "Label1"));
    m_combo1 = static_cast<QComboBox *>(named(new QComboBox(this), "Combo1"));
    m_combo1->setEditable(true);
    m_combo1->setInsertPolicy(QComboBox::NoInsert);
    m_combo1->setMinimumWidth(360);
    m_command1 = static_cast<QPushButton *>(named(new QPushButton(QStringLiteral("浏览..."), this), "Command1"));
    m_command4 = static_cast<QPushButton *>(named(new QPushButton(QStringLiteral("清空历史"), this), "Command4"));
    m_label3 = static_cast<QLabel *>(named(new QLabel(QStringLiteral("保存文件名为："), this), "Label3"));
    m_option1 = static_cast<QRadioButton *>(named(new QRadioButton(QStringLiteral("原文件名"), this), "Option1"));
    m_option2 = static_cast<QRadioButton *>(named(new QRadioButton(QStringLiteral("链接名称"), this), "Option2"));
    m_command2 = static_cast<QPushButton *>(named(new QPushButton(QStringLiteral("确定"), this), "Command2"));
    m_command3 = static_cast<QPushButton *>(named(new QPushButton(QStringLiteral("取消"), this), "Command3"));
    m_command2->setDefault(true);

    auto *grid = new QGridLayout(this);
    grid->addWidget(m_label1, 0, 0);
    grid->addWidget(m_combo1, 0, 1);
    grid->addWidget(m_command1, 0, 2);
    grid->addWidget(m_command4, 0, 3);
    auto *naming = new QHBoxLayout;
    naming->addWidget(m_option1);
    naming->addWidget(m_option2);
    naming->addStretch();
    grid->addWidget(m_label3, 1, 0);
    grid->addLayout(naming, 1, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_command2);
    buttons->addWidget(m_command3);
    grid->addLayout(buttons, 2, 0, 1, 4);
    grid->setColumnStretch(1, 1);

    // Opening: the naming choice, then the history with the current folder as the box's text.
    m_option2->setChecked(true);
    if (m_target.NameFromAddress)
        m_option1->setChecked(true);
    QStringList history;
    LoadFolderHistory(history);
    m_combo1->addItems(history);
    FitComboDropWidth(m_combo1);
    m_combo1->setEditText(QDir::toNativeSeparators(m_target.SaveFolder));

    connect(m_command1, &QPushButton::clicked, this, &Form_BaoCun::browse);
    connect(m_command4, &QPushButton::clicked, this, &Form_BaoCun::clearHistory);
    connect(m_command2, &QPushButton::clicked, this, &Form_BaoCun::confirm);
    connect(m_command3, &QPushButton::clicked, this, &Form_BaoCun::cancel);
}

void Form_BaoCun::ask(SaveTarget &target, QWidget *parent)
{
    Form_BaoCun dialog(target, parent);
    dialog.exec();
}

void Form_BaoCun::browse()
{
    m_combo1->setEditText(BrowseForFolder(this, m_combo1->currentText(), kBrowsePrompt));
}

void Form_BaoCun::clearHistory()
{
    const QString text = m_combo1->currentText();
    m_combo1->clear();
    m_combo1->addItem(text);
    m_combo1->setCurrentIndex(0);
}

void Form_BaoCun::confirm()
{
    m_target.NameFromAddress = m_option1->isChecked();
    QString text = m_combo1->currentText();
    if (!text.endsWith(QDir::separator()))
        text += QDir::separator();
    QString reason;
    const QString created = CreateFolderPath(text, &reason);
    if (created.isEmpty()) {
        // The typed folder stays in the box to be corrected.
        Prompt::current().message(kCreateFailed + QLatin1Char('\n') + QDir::toNativeSeparators(text) +
                                      QLatin1Char('\n') + reason,
                                  Prompt::Icon::Critical);
        return;
    }
    text = created;
    m_combo1->setEditText(text);
    m_target.SaveFolder = text;
    SettingKeys::下载文件保存路径.write(text);
    m_target.SaveDialogCancelled = false;
    // Appended even when the box holds it already: the history file keeps every confirmation, loading drops repeats.
    m_combo1->addItem(text.trimmed());
    QStringList entries;
    for (int i = 0; i < m_combo1->count(); ++i)
        entries << m_combo1->itemText(i);
    SaveFolderHistory(entries);
    accept();
}

void Form_BaoCun::cancel()
{
    m_target.SaveDialogCancelled = true;
    reject();
}
