#include "store/fts_query.h"

#include "platform/text/text.h"

namespace sorvalind {

std::string ftsQuery(std::string_view text) {
    std::string query;
    for (const std::string& word : text::letterOrNumberRuns(text)) {
        if (!query.empty()) query += " AND ";
        query += '"';
        query += word;
        query += "\"*";
    }
    return query;
}

} // namespace sorvalind
