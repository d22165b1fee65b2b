#pragma once

#include <QLabel>

class QStatusBar;

// A status-bar field that stays hidden while every write to the data folder lands, and from the first failure on
// counts them, with the last reason as its tip: the message box tells of the first failure only, and a user who
// closed it should still see that later visits are not being kept.
class DataWriteFailures final : public QLabel
{
    Q_OBJECT
public:
    explicit DataWriteFailures(QWidget *parent = nullptr);

    // Adds the field at the right end of the bar.
    static DataWriteFailures *addTo(QStatusBar &bar);

private:
    void count(int failures, const QString &reason);
};
