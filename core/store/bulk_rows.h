#pragma once
// Writes many rows of one table with few statements. Every statement that
// may need undoing on its own makes the full-text tables write what they
// hold as a segment of their index, so a row written by its own statement
// costs a segment (and, soon after, a merge); rows written by one statement
// share one. Internal to core/store; the repository's queue only, inside
// the caller's transaction. Failures as LibraryConnection::run.

#include "store/library_connection.h"

#include <cstddef>
#include <span>
#include <string_view>

namespace sorvalind {

// Runs `head` + " VALUES(?,...),(?,...)..." + `tail` over `values`, rows of
// `columns` bindings laid end to end, in row order: the rows go out in a few
// statements of fixed sizes, so the cached statements serve any count.
void writeRows(LibraryConnection& connection, std::string_view head, std::size_t columns,
               std::string_view tail, std::span<const Binding> values);

} // namespace sorvalind
