#include "FieldGrid.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QStyledItemDelegate>

#include <algorithm>

namespace {

// The sequence column: shaded like a fixed column, its text 2 pixels from
// the right edge and 2 below the top of the cell.
class TSeqDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        painter->save();
        painter->fillRect(option.rect, option.palette.button());
        painter->setPen(option.palette.mid().color());
        painter->drawLine(option.rect.topRight(), option.rect.bottomRight());
        painter->drawLine(option.rect.bottomLeft(), option.rect.bottomRight());
        painter->setPen(option.palette.buttonText().color());
        painter->setFont(option.font);
        const QRect text = option.rect.adjusted(0, 2, -2, 0);
        painter->drawText(text, Qt::AlignRight | Qt::AlignTop, index.data().toString());
        painter->restore();
    }
};

} // namespace

TFieldGridView::TFieldGridView(QWidget* parent) : QTableWidget(parent) {
    setColumnCount(7);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    verticalHeader()->hide();
    verticalHeader()->setMinimumSectionSize(18);
    verticalHeader()->setDefaultSectionSize(18);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setMinimumSectionSize(20);
    // A maximised window gives the grid more room: the last column takes it.
    horizontalHeader()->setStretchLastSection(true);
    setItemDelegateForColumn(0, new TSeqDelegate(this));
    // Tab leaves the grid for the window's other controls.
    setTabKeyNavigation(false);
}

void TFieldGridView::keyPressEvent(QKeyEvent* event) {
    const bool onField = Row() >= 1 && Row() <= fields_;
    if (onField && event->modifiers() == Qt::NoModifier &&
        (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        emit OpenRequested();
        return;
    }
    if (onField && event->modifiers() == Qt::NoModifier && event->key() == Qt::Key_Delete) {
        emit DeleteRequested();
        return;
    }
    QTableWidget::keyPressEvent(event);
}

void TFieldGridView::Fill(const TFieldGrid& grid) {
    const int row = currentRow();
    setHorizontalHeaderLabels(grid.Headers);
    if (QTableWidgetItem* seq = horizontalHeaderItem(0))
        seq->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // The given widths suit a small font; never let a heading be cut off.
    const QFontMetrics metrics = horizontalHeader()->fontMetrics();
    for (int c = 0; c < grid.ColumnWidths.size() && c < columnCount(); ++c)
        setColumnWidth(c, std::max(grid.ColumnWidths[c],
                                   metrics.horizontalAdvance(grid.Headers.value(c)) + 16));
    setRowCount(grid.RowCount - 1);
    for (int r = 0; r < grid.Rows.size(); ++r)
        for (int c = 0; c < columnCount(); ++c) {
            const QString text = c < grid.Rows[r].size() ? grid.Rows[r][c] : QString();
            if (QTableWidgetItem* cell = item(r, c))
                cell->setText(text);
            else
                setItem(r, c, new QTableWidgetItem(text));
        }
    fields_ = 0;
    for (const QStringList& cells : grid.Rows)
        if (!cells.value(0).isEmpty())
            ++fields_;
    // Without fields the one empty row is only a place to start: nothing
    // is chosen there.
    if (fields_ == 0) {
        clearSelection();
        setCurrentCell(-1, -1);
        return;
    }
    SetRow(row < 0 ? 1 : row + 1);
}

void TFieldGridView::SetRow(int row) {
    if (rowCount() == 0 || fields_ == 0)
        return;
    const int r = std::clamp(row, 1, rowCount()) - 1;
    setCurrentCell(r, currentColumn() < 0 ? 1 : currentColumn());
}
