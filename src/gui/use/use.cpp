#include "gui/use/use.h"

#include "core/store/Settings.h"
#include "gui/shell/AppIcon.h"
#include "gui/shell/ScreenFit.h"
#include "gui/use/useTexts.h"

#include <QAction>
#include <QPlainTextEdit>
#include <QVBoxLayout>

use::use(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("use"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowIcon(AppIcon());
    setWindowTitle(ApplicationTitle() + QStringLiteral("-") + useTexts::kCaption);

    m_text = new QPlainTextEdit(this);
    m_text->setObjectName(QStringLiteral("Text1"));
    m_text->setReadOnly(true);
    m_text->setPlainText(instructions());
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_text);
    FitWindowToScreen(this, QSize(640, 420));
    // A window that only shows text: Esc closes it like a dialog.
    auto *closeKey = new QAction(this);
    closeKey->setShortcut(QKeySequence::Cancel);
    closeKey->setShortcutContext(Qt::WindowShortcut);
    connect(closeKey, &QAction::triggered, this, &QWidget::close);
    addAction(closeKey);
    m_text->setAccessibleName(useTexts::kCaption);
}

QString use::instructions()
{
    return useTexts::kSteps.join(QStringLiteral("\n\n"));
}
