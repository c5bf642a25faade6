#pragma once

class QTableView;
class RowTableModel;

// Shows a RowTableModel as the program's tables look: whole-row selection,
// read-only, one line a row, and each column at its designed width in
// twips, widened where today's fonts need more for the header or the
// figures.
void setUpRowTableView(QTableView *view, RowTableModel &model);
