#pragma once

#include <QAbstractScrollArea>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QComboBox>
#include <QLabel>
#include <QStringList>
#include <QWidget>

// Geometry and accessibility checks that hold for any window. Each returns what breaks the rule, described for the
// failure message; empty when the window keeps it.
namespace WidgetChecks {

inline QString describe(const QWidget *w)
{
    const QString name =
        w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className()) : w->objectName();
    const QWidget *parent = w->parentWidget();
    return parent && !parent->objectName().isEmpty() ? parent->objectName() + QLatin1Char('/') + name : name;
}

// Inside a list, a text box or a scrolled panel, a control may lie outside what shows: scrolling reaches it.
inline bool insideScrolledContent(const QWidget *w, const QWidget *window)
{
    for (const QWidget *p = w->parentWidget(); p && p != window; p = p->parentWidget())
        if (qobject_cast<const QAbstractScrollArea *>(p))
            return true;
    return false;
}

// The parts a combo box or a spin box is made of are sized by it, not by their own needs.
inline bool partOfCompositeControl(const QWidget *w)
{
    const QWidget *parent = w->parentWidget();
    return qobject_cast<const QComboBox *>(parent) || qobject_cast<const QAbstractSpinBox *>(parent);
}

// The widgets `window` shows, scrolled content, parts of composite controls and pictures behind controls left out.
inline QList<QWidget *> shownWidgets(QWidget *window)
{
    QList<QWidget *> shown;
    const auto all = window->findChildren<QWidget *>();
    for (QWidget *w : all) {
        if (w->isWindow() || !w->isVisibleTo(window) || insideScrolledContent(w, window) || partOfCompositeControl(w))
            continue;
        if (auto *label = qobject_cast<QLabel *>(w); label && !label->pixmap().isNull())
            continue;
        shown << w;
    }
    return shown;
}

// The least room a control needs to show what it holds. A box that scrolls needs room for two lines of text; its
// contents scroll into view.
inline QSize leastSize(const QWidget *w)
{
    if (auto *box = qobject_cast<const QAbstractScrollArea *>(w))
        return {0, 2 * box->fontMetrics().lineSpacing() + 2 * box->frameWidth()};
    return w->minimumSizeHint();
}

// Controls smaller than the least room they need (a caption or a number cut), lying partly outside their parent
// (cut by its edge), or covering a sibling (a panel laid exactly over another one, to show instead of it, is not).
inline QStringList misplacedControls(QWidget *window)
{
    QStringList problems;
    const QList<QWidget *> shown = shownWidgets(window);
    for (QWidget *w : shown) {
        const QSize least = leastSize(w);
        const bool wraps = qobject_cast<QLabel *>(w) && static_cast<QLabel *>(w)->wordWrap();
        if ((!wraps && w->width() < least.width()) || w->height() < least.height())
            problems << QStringLiteral("%1 cut: %2x%3 < %4x%5")
                            .arg(describe(w))
                            .arg(w->width())
                            .arg(w->height())
                            .arg(least.width())
                            .arg(least.height());
        if (QWidget *parent = w->parentWidget(); parent && !parent->rect().contains(w->geometry()))
            problems << QStringLiteral("%1 outside its parent").arg(describe(w));
    }
    for (int i = 0; i < shown.size(); ++i)
        for (int j = i + 1; j < shown.size(); ++j)
            if (shown[i]->parentWidget() == shown[j]->parentWidget() &&
                shown[i]->geometry().intersects(shown[j]->geometry()) && shown[i]->geometry() != shown[j]->geometry())
                problems << QStringLiteral("%1 covers %2").arg(describe(shown[i]), describe(shown[j]));
    return problems;
}

// Controls the keyboard reaches that a screen reader cannot name: no caption of their own, no buddy label, no
// accessible name.
inline QStringList unnamedControls(QWidget *window)
{
    QStringList unnamed;
    const QList<QWidget *> shown = shownWidgets(window);
    for (QWidget *w : shown) {
        if (!(w->focusPolicy() & Qt::TabFocus) || w->focusProxy())
            continue;
        // The part of a composite control that takes its focus (a browser's page) goes by the control's name.
        QWidget *named = w->parentWidget() && w->parentWidget()->focusProxy() == w ? w->parentWidget() : w;
        QAccessibleInterface *a = QAccessible::queryAccessibleInterface(named);
        if (!a || a->text(QAccessible::Name).trimmed().isEmpty())
            unnamed << describe(w);
    }
    return unnamed;
}
} // namespace WidgetChecks
