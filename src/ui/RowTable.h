#pragma once

#include <QHeaderView>
#include <QTableView>

// A table of whole rows: one row selected at a time, nothing edited in
// place, no row numbers, the last column filling the width, and a context
// menu the view supplies.
inline void setUpRowTable(QTableView *table)
{
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->verticalHeader()->hide();
    table->horizontalHeader()->setStretchLastSection(true);
    table->setContextMenuPolicy(Qt::CustomContextMenu);
}
