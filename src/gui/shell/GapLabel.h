#pragma once

#include <QLabel>

// A label whose text leaves a run of spaces for a control that sits in the gap, such as "限速延时：       秒" with
// the delay box between the colon and "秒". The label keeps its text exactly as written and draws the words on
// either side of the control, however wide the control is, so the control never covers a character.
class GapLabel final : public QLabel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(GapLabel)
public:
    // `control` becomes a child of the label.
    GapLabel(const QString &text, QWidget *control, QWidget *parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    // The control's size hint changes with its contents (a box filled after the label was made, the first show):
    // the label takes the new width and the control its new place.
    bool event(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    int gapWidth() const;
    void placeControl();

    QWidget *m_control;
    QString m_before;
    QString m_after;
};
