#include "gui/Form_Copy_Move/Form_Copy_Move.h"

#include "core/filetools/CopyDestination.h"
#include "core/filetools/CopyRun.h"
#include "core/store/Settings.h"
#include "core/util/FileNameRules.h"
#include "core/util/FolderHistory.h"
#include "core/util/Prompt.h"
#include "gui/Form_Copy_Move/Form_Copy_MoveTexts.h"
#include "gui/shell/AppIcon.h"
#include "gui/shell/ComboTools.h"
#include "gui/shell/FolderBrowser.h"
#include "gui/shell/FolderErrors.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace T = Form_Copy_MoveTexts;

namespace {
template <typename W> W *named(W *widget, const char *name)
{
    widget->setObjectName(QString::fromUtf8(name));
    return widget;
}
} // namespace

Form_Copy_Move::Form_Copy_Move(QWidget *parent) : QDialog(parent), m_run(new CopyRun(this))
{
    setObjectName(QStringLiteral("Form_Copy_Move"));
    setWindowTitle(T::kCaption);
    setWindowIcon(AppIcon());
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setModal(true);

    auto *label1 = named(new QLabel(T::kDestinationLabel), "Label1");
    m_combo1 = named(new QComboBox, "Combo1");
    m_combo1->setEditable(true);
    m_combo1->setInsertPolicy(QComboBox::NoInsert);
    m_combo1->setMinimumWidth(360);
    m_command3 = named(new QPushButton(T::kBrowse), "Command3");

    auto *frame1 = named(new QGroupBox(T::kClashFrame), "Frame1");
    auto *rules = new QVBoxLayout(frame1);
    m_option1 = new QButtonGroup(this);
    const QStringList &captions = T::kClashRules;
    for (int index = 1; index <= captions.size(); ++index) {
        auto *option = named(new QRadioButton(captions.at(index - 1)), "Option1");
        option->setProperty("index", index);
        m_option1->addButton(option, index);
        rules->addWidget(option);
    }

    auto *label4 = named(new QLabel(T::kCurrentFileLabel), "Label4");
    m_label3 = named(new QLabel, "Label3");
    // A long file name is cut, not allowed to widen the window.
    m_label3->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    auto *label2 = named(new QLabel(T::kProgressLabel), "Label2");
    m_progressBar1 = named(new QProgressBar, "ProgressBar1");
    m_progressBar1->setValue(0);
    // It counts files, one step each (out of one more than there are); a percentage would read oddly.
    m_progressBar1->setTextVisible(false);
    m_command1 = named(new QPushButton(T::kStart), "Command1");
    m_command2 = named(new QPushButton(T::kClose), "Command2");

    auto *grid = new QGridLayout(this);
    grid->addWidget(label1, 0, 0);
    grid->addWidget(m_combo1, 0, 1);
    grid->addWidget(m_command3, 0, 2);
    grid->addWidget(frame1, 1, 0, 1, 3);
    grid->addWidget(label4, 2, 0);
    grid->addWidget(m_label3, 2, 1, 1, 2);
    grid->addWidget(label2, 3, 0);
    grid->addWidget(m_progressBar1, 3, 1, 1, 2);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_command1);
    buttons->addWidget(m_command2);
    grid->addLayout(buttons, 4, 0, 1, 3);
    grid->setColumnStretch(1, 1);

    QStringList history;
    LoadFolderHistory(history);
    m_combo1->addItems(history);
    FitComboDropWidth(m_combo1);
    m_combo1->setEditText(QDir::toNativeSeparators(StoredCopyDestinationFolder()));
    // A stored number outside the five would leave every option unselected and make clashes copy nothing.
    const ClashRule rule = ClashRuleFromIndex(SettingKeys::OpIndex.read()).value_or(kDefaultClashRule);
    m_run->setRule(rule);
    m_option1->button(static_cast<int>(rule))->setChecked(true);

    connect(m_option1, &QButtonGroup::idClicked, this, [this](int index) {
        if (const auto rule = ClashRuleFromIndex(index))
            m_run->setRule(*rule);
    });
    connect(m_command3, &QPushButton::clicked, this, &Form_Copy_Move::browse);
    connect(m_command1, &QPushButton::clicked, this, [this] { 执行(true); });
    connect(m_command2, &QPushButton::clicked, this, &QDialog::close);
    connect(m_run, &CopyRun::progressChanged, this, [this](int value, int maximum) {
        m_progressBar1->setMaximum(maximum);
        m_progressBar1->setValue(value);
    });
    connect(m_run, &CopyRun::currentFileChanged, m_label3, &QLabel::setText);
}

void Form_Copy_Move::copyFiles(const QStringList &paths, QWidget *parent)
{
    Form_Copy_Move window(parent);
    window.fileList() << paths;
    window.setWindowTitle(T::captionFor(paths.size()));
    window.exec();
}

void Form_Copy_Move::showEvent(QShowEvent *event)
{
    m_closing = false;
    QDialog::showEvent(event);
}

void Form_Copy_Move::done(int result)
{
    m_closing = true;
    if (m_run->isRunning())
        m_run->abandon();
    QDialog::done(result);
}

void Form_Copy_Move::browse()
{
    const QString chosen = BrowseForFolder(this, m_combo1->currentText(), T::kBrowsePrompt);
    m_combo1->setEditText(WithTrailingSeparator(chosen));
}

QStringList Form_Copy_Move::historyEntries() const
{
    QStringList entries;
    for (int i = 0; i < m_combo1->count(); ++i)
        entries << m_combo1->itemText(i);
    return entries;
}

QCoro::Task<> Form_Copy_Move::执行(bool showMessage)
{
    // A press while a run is in progress only stops it: the box may hold a half-typed folder by now, and the
    // list being copied must not change under the run. Until the run has finished its file the button rests, so
    // a second run cannot start beside it.
    if (m_run->isRunning()) {
        m_command1->setText(T::kStart);
        m_command1->setEnabled(false);
        m_run->stop();
        co_return;
    }

    const QString wanted = m_combo1->currentText();
    int errorNumber = 0;
    const QString folder = CreateFolderPath(wanted, nullptr, &errorNumber);
    if (folder.isEmpty()) {
        // The typed folder stays in the box to be corrected.
        Prompt::current().message(T::kCreateFolderFailed + QLatin1Char('\n') + QDir::toNativeSeparators(wanted) +
                                      QLatin1Char('\n') + FolderErrorText(errorNumber),
                                  Prompt::Icon::Critical);
        co_return;
    }
    const QString destination = WithTrailingSeparator(folder);
    m_combo1->setEditText(destination);
    SettingKeys::目的文件夹.write(destination);
    SettingKeys::OpIndex.write(static_cast<int>(m_run->rule()));

    QStringList history = historyEntries();
    if (AddToFolderHistory(history, destination))
        m_combo1->addItem(history.constLast());
    SaveFolderHistory(history);

    m_label3->clear();
    CopyRun::dropMissingFiles(m_fileList);
    if (m_fileList.isEmpty())
        co_return;

    m_command1->setText(T::kStop);
    const QPointer<Form_Copy_Move> self(this);
    co_await m_run->run(m_fileList, destination);
    // Closing the window gives the run up; its opener may have destroyed the window meanwhile.
    if (!self)
        co_return;
    m_command1->setText(T::kStart);
    m_command1->setEnabled(true);
    if (showMessage && !m_closing)
        Prompt::current().message(T::kFinished, Prompt::Icon::Information);
}
