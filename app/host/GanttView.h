#pragma once

#include "app/host/GanttLayout.h"

#include <QAbstractScrollArea>
#include <QPointer>

class QTableView;

namespace zelvant {

// The plan as a bar chart beside its table: one row per table row at the same height, a time
// scale in place of the table's header, and a red line for today. It scrolls sideways through
// time on its own and up and down together with the table it follows.
class GanttView : public QAbstractScrollArea {
    Q_OBJECT

public:
    explicit GanttView(QWidget* parent = nullptr);

    // Shows these rows, row i beside the table's row i, with today's line at `now`.
    void setRows(std::vector<GanttRow> rows, DateTime now);
    // Takes the row height and header height from the table, shows its selection and scrolls
    // with it up and down, both ways.
    void follow(QTableView& table);

    int rowCount() const { return static_cast<int>(rows_.size()); }
    const GanttScale& scale() const { return scale_; }
    const GanttLayout& layout() const { return layout_; }
    // The height of the time scale above the rows.
    int headerHeight() const;
    // The y of a row's top in the viewport, as it is scrolled now.
    int rowTop(int row) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    bool viewportEvent(QEvent* event) override;

private:
    void relayout();
    void updateScrollBars();
    void paintRows(QPainter& painter, const QRect& body) const;
    void paintShape(QPainter& painter, const GanttShape& shape) const;
    void paintLinkMark(QPainter& painter, const QRectF& rect) const;
    void paintHeader(QPainter& painter, int height) const;
    QString toolTipAt(const QPoint& point) const;

    std::vector<GanttRow> rows_;
    DateTime now_{};
    GanttScale scale_;
    GanttLayout layout_;
    TimeScale timeScale_;
    QPointer<QTableView> table_;
};

} // namespace zelvant
