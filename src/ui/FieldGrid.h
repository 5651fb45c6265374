#pragma once

#include "model/Table.h"

#include <QTableWidget>

// The main window's field grid: row n shows the field with sequence number
// n (rows count from 1 below the header), the first column right-aligned and
// shaded as a fixed column.
class TFieldGridView : public QTableWidget {
    Q_OBJECT
public:
    explicit TFieldGridView(QWidget* parent = nullptr);

    // Paints the rows the table definition gives; keeps the current row
    // where it was as far as the new rows allow.
    void Fill(const TFieldGrid& grid);
    // The current row counted from 1 (the first row under the header);
    // 0 while no row is chosen.
    int Row() const { return currentRow() + 1; }
    void SetRow(int row);

signals:
    // Enter on a row, and the Delete key.
    void OpenRequested();
    void DeleteRequested();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    int fields_ = 0;
};
