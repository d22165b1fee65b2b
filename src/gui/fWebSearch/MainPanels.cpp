#include "gui/fWebSearch/MainPanels.h"

#include "gui/fWebSearch/DraggablePanel.h"
#include "gui/fWebSearch/SplitterBar.h"

MainPanels::MainPanels(QWidget *searchControls, QWidget *browser, QWidget *listButtons, QWidget *list,
                       DraggablePanel *progress, QWidget *parent)
    : QWidget(parent), m_web(new QWidget(this)), m_searchControls(searchControls), m_browser(browser),
      m_bar(new SplitterBar(this)), m_list(new QWidget(this)), m_listButtons(listButtons), m_listView(list),
      m_progress(progress)
{
    m_web->setObjectName(QStringLiteral("PicPanWeb"));
    m_bar->setObjectName(QStringLiteral("PicBar"));
    m_list->setObjectName(QStringLiteral("PicPanList"));
    m_searchControls->setParent(m_web);
    m_browser->setParent(m_web);
    m_listButtons->setParent(m_list);
    m_listView->setParent(m_list);
    m_progress->setParent(m_list);
    m_progress->hide();
    m_bar->move(0, -1); // not placed yet: the first layout puts it at four fifths
    connect(m_bar, &SplitterBar::released, this, &MainPanels::layoutPanels);
}

void MainPanels::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layoutPanels();
}

void MainPanels::layoutPanels()
{
    const int w = width();
    const int h = height();
    int barTop = m_bar->y();
    if (barTop > h - kBarBottomMargin || barTop <= 0)
        barTop = h * 4 / 5;
    // In a window near its smallest the list keeps room for its buttons and a few rows; the page gives way.
    const int listLeast = m_listButtons->sizeHint().height() + m_listView->minimumSizeHint().height();
    barTop = std::max(1, std::min(barTop, h - kBarHeight - listLeast));
    m_bar->setGeometry(1, barTop, std::max(0, w - 2), kBarHeight);

    m_web->setGeometry(0, 0, w, barTop);
    const int wanted = std::max(m_searchControls->sizeHint().width(), m_searchControls->minimumWidth());
    const int controlsWidth = std::min(wanted, w / 2);
    m_searchControls->setGeometry(0, 0, controlsWidth, barTop);
    m_browser->setGeometry(controlsWidth, 0, std::max(0, w - controlsWidth), barTop);

    const int listTop = barTop + kBarHeight;
    m_list->setGeometry(0, listTop, w, std::max(0, h - listTop));
    const int buttonsHeight = m_listButtons->sizeHint().height();
    m_listButtons->setGeometry(0, 0, w, buttonsHeight);
    m_listView->setGeometry(0, buttonsHeight, w, std::max(0, m_list->height() - buttonsHeight));
    centreProgressPanel();
}

void MainPanels::centreProgressPanel()
{
    const QSize size = m_progress->sizeHint().expandedTo(m_progress->minimumSize());
    m_progress->setGeometry((m_list->width() - size.width()) / 2, (m_list->height() - size.height()) / 2, size.width(),
                            size.height());
}
