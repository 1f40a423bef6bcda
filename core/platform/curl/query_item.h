#pragma once
// Query items (a name and an optional value, kept in order; names may repeat)
// and their percent-encoded text for URL queries and form bodies.
// Pure functions; any thread; only allocation can throw.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sorvalind {

struct QueryItem {
    std::string name;
    std::optional<std::string> value;

    friend bool operator==(const QueryItem&, const QueryItem&) = default;
};

// Every byte except the unreserved ones (letters, digits, "-", ".", "_", "~")
// as %XX, so "+", "&", "=" and non-ASCII UTF-8 survive any form decoder.
std::string percentEncoded(std::string_view text);

// %XX escapes decoded; "+" is left as it is. Malformed escapes stay as text.
std::string percentDecoded(std::string_view text);

// "name=value" pairs joined by "&", both sides percent-encoded; an item
// without a value is written as its name alone. This is the body of an
// "application/x-www-form-urlencoded" request.
std::string formEncoded(const std::vector<QueryItem>& items);

// The items of raw query text ("a=1&b&c=%20"), decoded with percentDecoded().
// Empty text has no items.
std::vector<QueryItem> parseQueryItems(std::string_view query);

} // namespace sorvalind
