#pragma once

#include <QDialog>

class QPlainTextEdit;
class QPushButton;
class ResultListModel;
struct SaveTarget;

// The address-list dialog: document addresses, one per line, typed or loaded from a text file, become result rows
// that the analysis takes as direct files. Only addresses of the document service qualify.
class InputUrlList final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(InputUrlList)
public:
    InputUrlList(ResultListModel &rows, SaveTarget &target, QWidget *parent = nullptr);

    // Shows the dialog modally over `parent` and returns once it was closed; it is destroyed afterwards.
    static void ask(ResultListModel &rows, SaveTarget &target, QWidget *parent);

    // The qualifying address prefix: the document service's page prefix of the deployment.
    static QString qualifyingPrefix();

private:
    void loadFile();
    void importAddresses();

    ResultListModel &m_rows;
    SaveTarget &m_target;
    QPlainTextEdit *m_richTextBox1 = nullptr;
};
