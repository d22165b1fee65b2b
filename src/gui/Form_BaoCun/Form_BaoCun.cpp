#include "gui/Form_BaoCun/Form_BaoCun.h"

#include "core/search/SaveTarget.h"
#include "core/store/Settings.h"
#include "core/util/FileNameRules.h"
#include "core/util/FolderHistory.h"
#include "core/util/Prompt.h"
#include "gui/Form_BaoCun/Form_BaoCunTexts.h"
#include "gui/shell/AppIcon.h"
#include "gui/shell/ComboTools.h"
#include "gui/shell/FolderBrowser.h"
#include "gui/shell/FolderErrors.h"
#include "gui/shell/ShellTexts.h"

#include <QComboBox>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

namespace T = Form_BaoCunTexts;

Form_BaoCun::Form_BaoCun(SaveTarget &target, QWidget *parent) : QDialog(parent), m_target(target)
{
    setObjectName(QStringLiteral("Form_BaoCun"));
    setWindowTitle(T::kCaption);
    setWindowIcon(AppIcon());
    setWindowFlag(Qt::WindowStaysOnTopHint);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    auto named = [](QWidget *w, const char *name) {
        w->setObjectName(QString::fromUtf8(name));
        return w;
    };
    m_label1 = static_cast<QLabel *>(named(new QLabel(T::kFolderLabel, this), "Label1"));
    m_combo1 = static_cast<QComboBox *>(named(new QComboBox(this), "Combo1"));
    m_combo1->setEditable(true);
    m_combo1->setInsertPolicy(QComboBox::NoInsert);
    m_combo1->setMinimumWidth(360);
    m_command1 = static_cast<QPushButton *>(named(new QPushButton(T::kBrowse, this), "Command1"));
    m_command4 = static_cast<QPushButton *>(named(new QPushButton(T::kClearHistory, this), "Command4"));
    m_label3 = static_cast<QLabel *>(named(new QLabel(T::kNameLabel, this), "Label3"));
    m_option1 = static_cast<QRadioButton *>(named(new QRadioButton(T::kNameFromAddress, this), "Option1"));
    m_option2 = static_cast<QRadioButton *>(named(new QRadioButton(T::kNameFromLink, this), "Option2"));
    m_command2 = static_cast<QPushButton *>(named(new QPushButton(T::kOk, this), "Command2"));
    m_command3 = static_cast<QPushButton *>(named(new QPushButton(ShellTexts::kCancel, this), "Command3"));
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
    m_combo1->setEditText(BrowseForFolder(this, m_combo1->currentText(), T::kBrowsePrompt));
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
    int errorNumber = 0;
    const QString created = CreateFolderPath(text, nullptr, &errorNumber);
    if (created.isEmpty()) {
        // The typed folder stays in the box to be corrected.
        Prompt::current().message(T::kCreateFailed + QLatin1Char('\n') + QDir::toNativeSeparators(text) +
                                      QLatin1Char('\n') + FolderErrorText(errorNumber),
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
