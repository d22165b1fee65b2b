#include "cli/BarLayout.h"

#include "cli/BatchTexts.h"
#include "cli/DisplayWidth.h"

#include <QStringList>
#include <algorithm>

namespace {
constexpr int kWidestGraphic = 30;
constexpr int kNarrowestGraphic = 10;

struct Field {
    QString text;
    bool shown;
};

QString graphic(int value, int maximum, int width)
{
    const int filled = maximum > 0 ? std::clamp(value, 0, maximum) * width / maximum : 0;
    return QLatin1Char('[') + QString(filled, QLatin1Char('#')) + QString(width - filled, QLatin1Char('-')) +
           QLatin1Char(']');
}

// The columns of the shown fields, one space apart.
int widthOf(const QList<Field> &fields)
{
    int width = -1;
    for (const Field &f : fields)
        if (f.shown)
            width += 1 + DisplayWidth(f.text);
    return std::max(width, 0);
}

QString joined(const QList<Field> &fields)
{
    QStringList parts;
    for (const Field &f : fields)
        if (f.shown && !f.text.isEmpty())
            parts << f.text;
    return parts.join(QLatin1Char(' '));
}
} // namespace

QString LayoutBar(const BarState &state, int columns)
{
    const int room = std::max(1, columns - 1);
    enum { Stage, Graphic, Count, Bytes, Rate, Elapsed, Left };
    QList<Field> fields{
        {state.stage, !state.stage.isEmpty()},
        {QString(), true}, // the graphic: its width is chosen below
        {QStringLiteral("%1/%2").arg(state.value).arg(state.maximum), true},
        {state.bytes, !state.bytes.isEmpty()},
        {state.rate, !state.rate.isEmpty()},
        {BatchTexts::kElapsed.arg(state.elapsed), !state.elapsed.isEmpty()},
        {BatchTexts::kLeft.arg(state.left), !state.left.isEmpty()},
    };
    // Least useful first.
    const int dropOrder[] = {Elapsed, Graphic, Bytes, Rate, Left};
    for (int dropped = 0;; ++dropped) {
        if (fields[Graphic].shown) {
            // The other fields' width, the graphic's separating space and its brackets.
            fields[Graphic].shown = false;
            const int others = widthOf(fields);
            const int graphicRoom = room - others - (others > 0 ? 1 : 0) - 2;
            fields[Graphic].shown = true;
            if (graphicRoom >= kNarrowestGraphic) {
                fields[Graphic].text = graphic(state.value, state.maximum, std::min(kWidestGraphic, graphicRoom));
                return joined(fields);
            }
        } else if (widthOf(fields) <= room) {
            return joined(fields);
        }
        if (dropped == static_cast<int>(std::size(dropOrder)))
            break;
        fields[dropOrder[dropped]].shown = false;
    }
    // Only the stage and the count are left: the stage gives way, the count stays whole where it can.
    const QString &count = fields[Count].text;
    const int stageRoom = room - DisplayWidth(count) - 1;
    if (fields[Stage].shown && stageRoom > 0) {
        const QString stage = FitToColumns(fields[Stage].text, stageRoom).trimmed();
        if (!stage.isEmpty())
            return stage + QLatin1Char(' ') + count;
    }
    return FitToColumns(count, room);
}
