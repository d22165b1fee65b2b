#pragma once

#include <QWidget>

// The bar between the browser panel and the list panel. Dragging it with the left button moves it vertically
// (by the mouse's offset inside the bar); releasing it asks the window to lay itself out again.
class SplitterBar final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SplitterBar)
public:
    explicit SplitterBar(QWidget *parent = nullptr);

Q_SIGNALS:
    void released();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    int m_grabY = 0;
};
