#pragma once

#include "core/download/DownloadItem.h"

#include <QIcon>
#include <QStyledItemDelegate>
#include <array>

// IL_LV3: the four small state images of the download list, in the order of ItemState (waiting, running, done,
// failed).
QIcon StateImage(ItemState state);

// Draws the row's state image in front of the name column, from the model's StateRole.
class StateImageDelegate final : public QStyledItemDelegate
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(StateImageDelegate)
public:
    explicit StateImageDelegate(QObject *parent = nullptr);

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override;

private:
    std::array<QIcon, 4> m_images; // IL_LV3
};
