#pragma once

#include <QDialog>

class DownloadListModel;
class QLineEdit;

// "网址批量替换": replaces a text (letter case ignored) in every address and referrer of the download list.
class UrlReplace final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(UrlReplace)

public:
    UrlReplace(DownloadListModel &list, QWidget *parent = nullptr);

    // Command1 "替换".
    void replace();

private:
    DownloadListModel &m_list;
    QLineEdit *m_text1 = nullptr;
    QLineEdit *m_text2 = nullptr;
};
