#pragma once

#include <QFrame>

// A panel the user can drag with any mouse button: on press the position inside the panel is remembered, while a
// button is held the panel follows the mouse by its offset from that position.
class DraggablePanel final : public QFrame
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DraggablePanel)
public:
    explicit DraggablePanel(QWidget *parent = nullptr);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    QPoint m_grab;
};
