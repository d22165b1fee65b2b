#pragma once

#include <QLayout>
#include <QList>

// Lays its items out left to right and starts a new line where the next item would not fit, so a row of tools
// stays whole and readable however narrow its window gets. Each item keeps its size hint (an item wider than the
// whole line gets the line's width); lines are as high as their highest item, which is centred vertically. An
// item added with `pushRight` ends the line's run of items at the right edge when the line has room.
class FlowLayout final : public QLayout
{
public:
    explicit FlowLayout(QWidget *parent = nullptr, int spacing = 6);
    ~FlowLayout() override;
    FlowLayout(const FlowLayout &) = delete;
    FlowLayout &operator=(const FlowLayout &) = delete;

    void addItem(QLayoutItem *item) override;
    // Like addWidget; the widget and the items after it on its line sit at the line's right edge.
    void addWidgetPushedRight(QWidget *widget);
    int count() const override { return static_cast<int>(m_items.size()); }
    QLayoutItem *itemAt(int index) const override;
    QLayoutItem *takeAt(int index) override;

    Qt::Orientations expandingDirections() const override { return {}; }
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSize() const override;
    void setGeometry(const QRect &rect) override;

private:
    // Places the items in `rect` (only measures when `apply` is false); the height used.
    int arrange(const QRect &rect, bool apply) const;

    QList<QLayoutItem *> m_items;
    QList<bool> m_pushedRight;
    int m_spacing;
};
