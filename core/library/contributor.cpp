#include "library/contributor.h"

#include "library/json_fields.h"

namespace sorvalind {
namespace {

using json_fields::field;

constexpr auto kContributorFields =
    std::make_tuple(field("role", &Contributor::role), field("subRole", &Contributor::subRole),
                    field("artist", &Contributor::artist));

} // namespace

Contributor Contributor::make(std::string role, std::optional<std::string> subRole, Artist artist) {
    return Contributor{std::move(role), std::move(subRole), std::move(artist)};
}

Contributor Contributor::decode(const JSONElement& json) {
    return json_fields::decodeObject(json, kContributorFields);
}

nlohmann::json Contributor::encode() const {
    return json_fields::encodeObject(*this, kContributorFields);
}

} // namespace sorvalind

std::size_t
std::hash<sorvalind::Contributor>::operator()(const sorvalind::Contributor& contributor) const noexcept {
    return sorvalind::json_fields::hashObject(contributor, sorvalind::kContributorFields);
}
