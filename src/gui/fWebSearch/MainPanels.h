#pragma once

#include <QWidget>

class DraggablePanel;
class SplitterBar;

// The main window's working area, top to bottom: the browser panel (search controls on the left, the browser
// filling the rest), the splitter bar, and the list panel (its button row, the list filling the rest, and the
// progress panel centred over the list when shown).
class MainPanels final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MainPanels)
public:
    // 15 twips are one pixel.
    static constexpr int kTwipsPerPixel = 15;
    // Closer than this to the bottom (1200 twips), the bar goes back to four fifths of the height.
    static constexpr int kBarBottomMargin = 1200 / kTwipsPerPixel;
    static constexpr int kBarHeight = 6;

    MainPanels(QWidget *searchControls, QWidget *browser, QWidget *listButtons, QWidget *list, DraggablePanel *progress,
               QWidget *parent = nullptr);

    QWidget *browserPanel() const { return m_web; }
    QWidget *listPanel() const { return m_list; }
    SplitterBar *bar() const { return m_bar; }
    DraggablePanel *progressPanel() const { return m_progress; }

    // Lays the panels out for the current size and bar position.
    void layoutPanels();
    // Puts the progress panel in the middle of the list panel.
    void centreProgressPanel();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    QWidget *m_web;
    QWidget *m_searchControls;
    QWidget *m_browser;
    SplitterBar *m_bar;
    QWidget *m_list;
    QWidget *m_listButtons;
    QWidget *m_listView;
    DraggablePanel *m_progress;
};
