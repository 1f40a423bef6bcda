#include "sync/page_signature.h"

namespace sorvalind {

namespace {

template <class Record> void appendIDs(std::string& out, const std::optional<std::vector<Record>>& records) {
    if (!records) return;
    bool first = true;
    for (const Record& record : *records) {
        if (!first) out += ',';
        out += record.id;
        first = false;
    }
}

} // namespace

std::string pageSignature(const SearchPage& page) {
    std::string signature;
    appendIDs(signature, page.artist);
    signature += '|';
    appendIDs(signature, page.album);
    signature += '|';
    appendIDs(signature, page.song);
    return signature;
}

} // namespace sorvalind
