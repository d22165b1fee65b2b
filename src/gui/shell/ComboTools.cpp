#include "gui/shell/ComboTools.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QFontMetrics>
#include <QScreen>
#include <QStyle>

namespace {
// Room for the entry's margins inside the drop-down list.
constexpr int kEntryMargin = 7;
// From this many entries on the drop-down list shows a vertical scroll bar.
constexpr int kEntriesWithScrollBar = 9;
} // namespace

void FitComboDropWidth(QComboBox *box)
{
    if (!box)
        return;
    QString longest;
    for (int i = 0; i < box->count(); ++i) {
        const QString text = box->itemText(i);
        if (text.size() > longest.size())
            longest = text;
    }
    int width = QFontMetrics(box->font()).horizontalAdvance(longest) + kEntryMargin;
    if (box->count() >= kEntriesWithScrollBar)
        width += box->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, box);

    if (const QScreen *screen = box->screen()) {
        const QRect available = screen->geometry();
        const int left = box->mapToGlobal(QPoint(0, 0)).x();
        width = std::min(width, available.right() + 1 - left);
    }
    // Never narrower than the box itself, as the drop-down of a combo box always is.
    box->view()->setMinimumWidth(std::max(width, 0));
}
