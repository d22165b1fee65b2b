#include "gui/shell/DataWriteFailures.h"

#include "core/store/VisitedDatabase.h"
#include "gui/shell/ShellTexts.h"

#include <QStatusBar>

DataWriteFailures::DataWriteFailures(QWidget *parent) : QLabel(parent)
{
    setObjectName(QStringLiteral("DataWriteFailures"));
    QPalette warning = palette();
    warning.setColor(QPalette::WindowText, Qt::red);
    setPalette(warning);
    connect(&VisitedDatabaseEvents::instance(), &VisitedDatabaseEvents::writeFailed, this, &DataWriteFailures::count);
    // Failures before this window opened (a window opened later in the run) count as well.
    setText(ShellTexts::kDataWritesFailed.arg(VisitedWriteFailures()));
}

DataWriteFailures *DataWriteFailures::addTo(QStatusBar &bar)
{
    auto *field = new DataWriteFailures(&bar);
    bar.addPermanentWidget(field);
    // addPermanentWidget shows what it is given.
    field->setVisible(VisitedWriteFailures() > 0);
    return field;
}

void DataWriteFailures::count(int failures, const QString &reason)
{
    setText(ShellTexts::kDataWritesFailed.arg(failures));
    if (!reason.isEmpty())
        setToolTip(reason);
    setVisible(true);
}
