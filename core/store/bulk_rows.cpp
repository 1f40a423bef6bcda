#include "store/bulk_rows.h"

#include <array>
#include <string>

namespace sorvalind {
namespace {

// The row counts of the statements, largest first; a count is made of as
// many of the largest as fit, then the next, down to single rows. The
// largest keeps a statement of the widest table (14 columns) well under
// SQLite's limit of bound values.
constexpr std::array<std::size_t, 5> statementRows{256, 64, 16, 4, 1};

std::string statementText(std::string_view head, std::size_t columns, std::string_view tail,
                          std::size_t rows) {
    std::string row = "(";
    for (std::size_t column = 0; column < columns; ++column)
        row += column == 0 ? "?" : ",?";
    row += ')';
    std::string sql(head);
    sql += " VALUES";
    sql.reserve(sql.size() + rows * (row.size() + 1) + tail.size());
    for (std::size_t index = 0; index < rows; ++index) {
        if (index > 0) sql += ',';
        sql += row;
    }
    sql += tail;
    return sql;
}

} // namespace

void writeRows(LibraryConnection& connection, std::string_view head, std::size_t columns,
               std::string_view tail, std::span<const Binding> values) {
    std::size_t remaining = values.size() / columns;
    std::size_t offset = 0;
    for (std::size_t rows : statementRows) {
        if (remaining < rows) continue;
        const std::string sql = statementText(head, columns, tail, rows);
        while (remaining >= rows) {
            connection.run(sql, values.subspan(offset, rows * columns));
            offset += rows * columns;
            remaining -= rows;
        }
    }
}

} // namespace sorvalind
