// The small timetables beside a class or teacher timetable (`scrlbxMinFrm`'s content): the
// timetables of the shown class's teachers, or of the shown teacher's classes, stacked one
// under another. All of them are painted by one widget, so a page with many panels costs
// no widgets per cell. The pointer highlights the panel under it; a click asks the page to
// show that timetable.
#pragma once

#include <QColor>
#include <QRect>
#include <QWidget>

#include <string>
#include <vector>

#include "timetable/changes.h"
#include "timetable/kbdata.h"
#include "timetable/layout.h"

namespace tavrin::timetable::ui {

// The gap before period row r of the small timetables: 2 pixels in the evening, 1 in the
// afternoon, none in the morning.
inline int miniSectionGap(const KbWeekShape& week, int r)
{
    if (r > week.mor + week.aft)
        return 2;
    return r > week.mor ? 1 : 0;
}

// Where the parts of one panel lie inside it: cells of 20 x 15 pixels one apart, the
// section gaps of 0, 1 and 2 pixels, the caption along the top.
struct MiniPanelGeometry {
    static constexpr int w = 20, h = 15;
    int layout = 1;
    KbWeekShape week;
    int gap(int r) const { return miniSectionGap(week, r); }
    // Column i (0 = the header column, 1..theDay), row r (0 = the header row, 1..P).
    QRect at(int i, int r) const;
    QRect slot(int s) const;
    int width() const;
    int height() const;
    QRect caption() const { return {1, 1, width() - 4, h}; }
    // Panel n within the box: panels stack downwards 2 pixels apart.
    QRect panel(int n) const { return {1, (height() + 2) * n + 1, width(), height()}; }
};

// $BBGGRR colours as the program's palette writes them.
inline QColor bgrColor(unsigned bgr)
{
    return QColor(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF), static_cast<int>((bgr >> 16) & 0xFF));
}

class MiniPanels : public QWidget {
    Q_OBJECT
public:
    explicit MiniPanels(QWidget* parent = nullptr);

    // Fills the panels beside the timetable of class (page Ban) or teacher (page Tea) `id`
    // from the timetable being edited.
    void fill(const KbData& kb, const ChangeFinder& finder, KbSide page, int id);
    void clear();
    // Lays every panel out again for layout 1 or 2.
    void setKbLayout(int layout);

    // What is shown, for the page and the tests.
    KbSide page() const { return page_; }
    const std::vector<int>& ids() const { return ids_; }  // MinKbId: by panel number
    int hot() const { return hot_; }                       // MinPnlHot, -1 none
    const MiniPanelGeometry& panelGeometry() const { return geo_; }
    QString caption(int n) const;
    QString cellText(int n, int slot) const;
    QColor cellColor(int n, int slot) const;
    QColor panelColor(int n) const;
    // The panel at a point of this widget, -1 none.
    int panelAt(const QPoint& p) const;
    // No panel highlighted (the pointer over the box's own background or the main grid).
    void clearHot();

Q_SIGNALS:
    // A click on panel n: show the timetable of the other side, `id`.
    void openRequested(tavrin::timetable::KbSide side, int id);

protected:
    void paintEvent(QPaintEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void leaveEvent(QEvent* e) override;

private:
    MiniPanelGeometry geo_;
    KbSide page_ = KbSide::Ban;
    std::vector<int> ids_;
    std::vector<QString> captions_;
    std::vector<std::vector<MiniCell>> cells_;  // [panel][slot]
    QStringList days_, periods_;
    int hot_ = -1;

    void setHot(int n);
    void resizeToPanels();
};

}  // namespace tavrin::timetable::ui
