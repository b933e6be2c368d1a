#pragma once

#include <QString>
#include <QStringList>

// Builds database files as earlier client versions left them, from the
// schema history, with a few rows in every table.
namespace LegacyDatabase {

// Writes a file at `version` (0.2.8, 0.2.9, 1.0.0, 1.0.1 or 1.0.2). `extraStatements` run after
// the schema and rows are in place, to bend a file into a broken shape.
// Returns the error text, empty on success.
QString write(const QString &path, const QString &version, const QStringList &extraStatements = {});

// Runs one statement on the file through a connection of its own and returns
// the rows, each row's columns joined by "|". Errors come back as one row
// starting with "ERROR: ".
QStringList query(const QString &path, const QString &sql);

} // namespace LegacyDatabase
