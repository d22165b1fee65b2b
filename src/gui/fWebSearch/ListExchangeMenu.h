#pragma once

#include "core/search/ListExchangeRun.h"
#include "core/search/ReferenceExport.h"

#include <QObject>

class fWebSearch;

// The list exchange in the main window: the four commands of the "导入导出数据..." pop-up menu (menu导入导出),
// their file dialogs, the address-list dialog, and the window's side of an export or import (its progress panel
// and list). Lives as a child of the window, which it keeps from closing while a file is written or read.
class ListExchangeMenu final : public QObject, private ListExchangeView
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ListExchangeMenu)
public:
    explicit ListExchangeMenu(fWebSearch &window);

    ListExchangeRun &run() const { return *m_run; }

    // The commands after their file dialogs, with the refusal while the progress panel is taken.
    QCoro::Task<bool> exportTo(QString path, ListExportSet set);
    QCoro::Task<int> importFrom(QString path);
    // Writes the whole list as CSV, RIS or BibTeX and says how it went; false when nothing was written.
    QCoro::Task<bool> exportReferences(QString path, ListFormat format);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void importAddressList();
    void importDataFile();
    void exportRows(ListExportSet set);
    void exportReferenceFile();
    // False (with the window's refusal) while an analysis, export or import holds the progress panel.
    bool mayStart() const;

    void showProgress(const QString &caption) override;
    void setProgress(int value, int maximum) override;
    void hideProgress() override;
    void setListEnabled(bool enabled) override;
    void rowsAdded() override;

    fWebSearch &m_window;
    ListExchangeRun *m_run = nullptr;
};
