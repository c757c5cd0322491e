#pragma once

#include "DataSource.h"

#include <QList>

class TMemTable;
class TTabTextWriter;

// The title line, titles in upper case, then one line per visible record of the table in its order:
// each value after a blank, texts as the table keeps them, numbers as the user reads them. A column
// whose field the table does not have stays empty.
void WriteTableText(TTabTextWriter& out, const TMemTable& table, const QList<TGridColumn>& columns);
