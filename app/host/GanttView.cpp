#include "app/host/GanttView.h"

#include <QHeaderView>
#include <QHelpEvent>
#include <QItemSelectionModel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScrollBar>
#include <QStringList>
#include <QTableView>
#include <QToolTip>

#include <cmath>

namespace zelvant {

namespace {

// The palette has one accent colour, and that is the selection's and the plain bars'; linked
// bars need a second one that stays the same in every style.
const QColor kLinkedColour(46, 139, 87);
// Today's line in the colour every plan reader expects of it.
const QColor kTodayColour(220, 40, 40);

const QString kLinkedText = QString::fromUtf8("Mit Kalender verkn\u00FCpft");

QString qtext(const std::string& text)
{
    return QString::fromStdString(text);
}

} // namespace

GanttView::GanttView(QWidget* parent) : QAbstractScrollArea(parent)
{
    scale_.pixelsPerDay = 24;
    scale_.rowHeight = fontMetrics().height() + 8;
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    horizontalScrollBar()->setSingleStep(static_cast<int>(scale_.pixelsPerDay));
    relayout();
}

void GanttView::setRows(std::vector<GanttRow> rows, DateTime now)
{
    rows_ = std::move(rows);
    now_ = now;
    relayout();
}

void GanttView::follow(QTableView& table)
{
    table_ = &table;
    scale_.rowHeight = table.verticalHeader()->defaultSectionSize();
    // Both scroll in pixels, so one scroll bar's value is the other's, whatever the row heights.
    table.setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    // With a scroll bar below both, their rows end at the same height: the last row is never
    // hidden under the chart's scroll bar while the table shows it.
    table.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // The table's scroll bar is the one the user sees; the chart's hidden one follows it.
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QScrollBar* theirs = table.verticalScrollBar();
    QScrollBar* ours = verticalScrollBar();
    ours->setRange(theirs->minimum(), theirs->maximum());
    ours->setSingleStep(theirs->singleStep());
    ours->setPageStep(theirs->pageStep());
    ours->setValue(theirs->value());
    connect(theirs, &QAbstractSlider::rangeChanged, ours, &QAbstractSlider::setRange);
    connect(theirs, &QAbstractSlider::valueChanged, ours, &QAbstractSlider::setValue);
    // The wheel over the chart turns the chart's scroll bar: the table goes with it.
    connect(ours, &QAbstractSlider::valueChanged, theirs, &QAbstractSlider::setValue);
    connect(table.selectionModel(), &QItemSelectionModel::selectionChanged, viewport(),
            qOverload<>(&QWidget::update));
    connect(table.horizontalHeader(), &QHeaderView::geometriesChanged, viewport(),
            qOverload<>(&QWidget::update));
    relayout();
}

int GanttView::headerHeight() const
{
    // The time scale takes the place of the table's header, so the rows start at the same height.
    if (table_)
        return table_->horizontalHeader()->height();
    return 2 * fontMetrics().height() + 6;
}

int GanttView::rowTop(int row) const
{
    return headerHeight() + static_cast<int>(std::lround(scale_.top(row))) - verticalScrollBar()->value();
}

void GanttView::relayout()
{
    scale_.span = ganttSpan(rows_, dateOf(now_));
    layout_ = layoutGantt(rows_, scale_, now_);
    timeScale_ = timeScale(scale_);
    updateScrollBars();
    viewport()->update();
}

void GanttView::updateScrollBars()
{
    const int width = viewport()->width();
    horizontalScrollBar()->setRange(0, std::max(0, static_cast<int>(std::ceil(scale_.width())) - width));
    horizontalScrollBar()->setPageStep(width);
    if (table_)
        return; // the table's scroll bar sets the range
    const int shown = viewport()->height() - headerHeight();
    const int rows = static_cast<int>(std::ceil(rowCount() * scale_.rowHeight));
    verticalScrollBar()->setRange(0, std::max(0, rows - shown));
    verticalScrollBar()->setPageStep(shown);
}

void GanttView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
}

void GanttView::scrollContentsBy(int, int)
{
    // The header moves sideways only, so the viewport is drawn anew rather than shifted.
    viewport()->update();
}

// Painting ------------------------------------------------------------------------------------------

void GanttView::paintEvent(QPaintEvent*)
{
    QPainter painter(viewport());
    painter.fillRect(viewport()->rect(), palette().color(QPalette::Base));
    const int header = headerHeight();
    const QRect body(0, header, viewport()->width(), viewport()->height() - header);
    painter.save();
    painter.setClipRect(body);
    const QPoint offset(horizontalScrollBar()->value(), verticalScrollBar()->value() - header);
    painter.translate(-offset);
    paintRows(painter, body.translated(offset));
    painter.restore();
    paintHeader(painter, header);
}

// The rows in chart coordinates; `visible` is the part of the chart in the viewport.
void GanttView::paintRows(QPainter& painter, const QRect& visible) const
{
    const QPalette& colours = palette();
    for (const ScaleLabel& day : timeScale_.days)
        if (day.weekend)
            painter.fillRect(QRectF(day.x, visible.top(), day.width, visible.height()),
                             colours.color(QPalette::AlternateBase));

    // The table's selected rows, carried over so the eye finds the task's bar.
    if (table_ && table_->selectionModel()) {
        QColor selected = colours.color(QPalette::Highlight);
        selected.setAlpha(50);
        for (int row = 0; row < rowCount(); ++row)
            if (table_->selectionModel()->isRowSelected(row, {}))
                painter.fillRect(QRectF(visible.left(), scale_.top(row), visible.width(), scale_.rowHeight),
                                 selected);
    }

    painter.setPen(colours.color(QPalette::Midlight));
    for (const ScaleLabel& week : timeScale_.weeks)
        painter.drawLine(QLineF(week.x, visible.top(), week.x, visible.bottom()));
    for (int row = 1; row <= rowCount(); ++row) {
        const double y = scale_.top(row) - 1;
        painter.drawLine(QLineF(visible.left(), y, visible.right(), y));
    }

    painter.setRenderHint(QPainter::Antialiasing);
    for (const GanttShape& shape : layout_.shapes) {
        const double top = scale_.top(shape.row);
        if (top <= visible.bottom() && top + scale_.rowHeight >= visible.top())
            paintShape(painter, shape);
    }

    if (layout_.today) {
        painter.setPen(QPen(kTodayColour, 2));
        painter.drawLine(QLineF(*layout_.today, visible.top(), *layout_.today, visible.bottom()));
    }
}

void GanttView::paintShape(QPainter& painter, const GanttShape& shape) const
{
    const QRectF& rect = shape.rect;
    const QColor ink = palette().color(QPalette::WindowText);
    const QColor bar = shape.linked ? kLinkedColour : palette().color(QPalette::Highlight);
    switch (shape.kind) {
    case GanttShapeKind::Bar:
        painter.setPen(bar.darker(130));
        painter.setBrush(bar);
        painter.drawRect(rect);
        return;
    case GanttShapeKind::SplitLine:
        painter.setPen(QPen(bar.darker(130), 1.5, Qt::DotLine));
        painter.drawLine(QLineF(rect.left(), rect.top(), rect.right(), rect.top()));
        return;
    case GanttShapeKind::Summary: {
        // The bar over the upper half, a point down at each end marking where its subtasks begin
        // and end.
        const double barBottom = rect.top() + rect.height() / 2;
        const double point = std::min(rect.height() * 0.6, rect.width() / 2);
        const QPolygonF outline({rect.topLeft(), rect.topRight(), rect.bottomRight(),
                                 QPointF(rect.right() - point, barBottom),
                                 QPointF(rect.left() + point, barBottom), rect.bottomLeft()});
        painter.setPen(Qt::NoPen);
        painter.setBrush(ink);
        painter.drawPolygon(outline);
        return;
    }
    case GanttShapeKind::Milestone: {
        const QPointF centre = rect.center();
        const QPolygonF diamond({QPointF(centre.x(), rect.top()), QPointF(rect.right(), centre.y()),
                                 QPointF(centre.x(), rect.bottom()), QPointF(rect.left(), centre.y())});
        painter.setPen(Qt::NoPen);
        painter.setBrush(ink);
        painter.drawPolygon(diamond);
        return;
    }
    case GanttShapeKind::LinkMark:
        paintLinkMark(painter, rect);
        return;
    }
}

// A tear-off calendar sheet: a coloured strip with two rings over a white page.
void GanttView::paintLinkMark(QPainter& painter, const QRectF& rect) const
{
    painter.setPen(QPen(kLinkedColour.darker(140), 1));
    painter.setBrush(palette().color(QPalette::Base));
    painter.drawRect(rect);
    painter.fillRect(QRectF(rect.left(), rect.top(), rect.width(), rect.height() * 0.35), kLinkedColour);
    const double ring = rect.height() * 0.2;
    for (const double at : {0.3, 0.7}) {
        const double x = rect.left() + rect.width() * at;
        painter.drawLine(QLineF(x, rect.top() - ring / 2, x, rect.top() + ring / 2));
    }
}

// The time scale: the calendar weeks over the days, moving sideways with the chart.
void GanttView::paintHeader(QPainter& painter, int height) const
{
    const QPalette& colours = palette();
    const int width = viewport()->width();
    painter.fillRect(QRect(0, 0, width, height), colours.color(QPalette::Button));
    painter.save();
    painter.setClipRect(QRect(0, 0, width, height));
    const int scrolled = horizontalScrollBar()->value();
    painter.translate(-scrolled, 0);
    const double half = height / 2.0;
    const double left = scrolled;
    const double right = scrolled + width;
    const QFontMetrics metrics = fontMetrics();

    painter.setPen(colours.color(QPalette::Mid));
    painter.drawLine(QLineF(left, half, right, half));
    painter.drawLine(QLineF(left, height - 1, right, height - 1));
    for (const ScaleLabel& week : timeScale_.weeks) {
        if (week.x > right || week.x + week.width < left)
            continue;
        painter.setPen(colours.color(QPalette::Mid));
        painter.drawLine(QLineF(week.x, 0, week.x, height));
        painter.setPen(colours.color(QPalette::ButtonText));
        const QRectF box(week.x + 4, 0, week.width - 8, half);
        painter.drawText(box, Qt::AlignLeft | Qt::AlignVCenter,
                         metrics.elidedText(week.text, Qt::ElideRight, static_cast<int>(box.width())));
    }
    for (const ScaleLabel& day : timeScale_.days) {
        if (day.x > right || day.x + day.width < left)
            continue;
        painter.setPen(colours.color(QPalette::Midlight));
        painter.drawLine(QLineF(day.x, half, day.x, height));
        painter.setPen(colours.color(day.weekend ? QPalette::PlaceholderText : QPalette::ButtonText));
        painter.drawText(QRectF(day.x, half, day.width, half), Qt::AlignCenter, day.text);
    }
    painter.restore();
}

// Tooltips and clicks --------------------------------------------------------------------------------

QString GanttView::toolTipAt(const QPoint& point) const
{
    if (point.y() < headerHeight())
        return QString::fromUtf8("Kalenderwochen (KW) und Tage\n"
                                 "Gr\u00FCner Balken mit Kalenderblatt: %1\n"
                                 "Rote Linie: heute")
            .arg(kLinkedText);
    const double chartX = point.x() + horizontalScrollBar()->value();
    if (layout_.today && std::abs(chartX - *layout_.today) <= 3)
        return "Heute, " + qtext(formatGermanDate(now_));
    const double chartY = point.y() - headerHeight() + verticalScrollBar()->value();
    const int row = static_cast<int>(std::floor(chartY / scale_.rowHeight));
    if (row < 0 || row >= rowCount())
        return {};
    const GanttRow& task = rows_[static_cast<std::size_t>(row)];
    QStringList lines{qtext(task.name), qtext(formatGermanSpan(task.start, task.finish))};
    if (task.kind == GanttRowKind::Summary)
        lines << "Sammelvorgang";
    if (task.kind == GanttRowKind::Milestone)
        lines << "Meilenstein";
    if (task.parts.size() > 1)
        lines << QString("Unterbrochen, %1 Teile").arg(task.parts.size());
    if (task.linked)
        lines << kLinkedText;
    return lines.join('\n');
}

bool GanttView::viewportEvent(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const QString text = toolTipAt(help->pos());
        if (text.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), text, viewport());
        return true;
    }
    // A click on a row selects the task in the table, which is the selection the add-in sees.
    if (event->type() == QEvent::MouseButtonPress && table_) {
        auto* press = static_cast<QMouseEvent*>(event);
        const int top = headerHeight();
        if (press->button() == Qt::LeftButton && press->position().y() >= top) {
            const double chartY = press->position().y() - top + verticalScrollBar()->value();
            const int row = static_cast<int>(std::floor(chartY / scale_.rowHeight));
            if (row >= 0 && row < rowCount()) {
                if (press->modifiers() & Qt::ControlModifier)
                    table_->selectionModel()->select(table_->model()->index(row, 0),
                                                     QItemSelectionModel::Toggle | QItemSelectionModel::Rows);
                else
                    table_->selectRow(row);
                return true;
            }
        }
    }
    return QAbstractScrollArea::viewportEvent(event);
}

} // namespace zelvant
