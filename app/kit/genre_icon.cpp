#include "kit/genre_icon.h"

#include "platform/text/text.h"

#include <algorithm>
#include <cstdint>
#include <unordered_map>

namespace sorvalind {

namespace {

struct Family {
    const char* symbol;
    double hue;
    const char* aliases;
};

// clang-format off
constexpr Family families[] = {
    {"guitars.fill", 0.02, "rock|classic rock|hard rock|soft rock|alternative rock|indie rock|progressive rock|psychedelic rock|garage rock|art rock|post rock|southern rock|rock and roll|rock n roll|rockabilly|alternative|indie"},
    {"bolt.fill", 0.0, "metal|heavy metal|death metal|black metal|thrash metal|doom metal|power metal|progressive metal|nu metal|metalcore|deathcore|industrial metal|symphonic metal"},
    {"flame.fill", 0.06, "punk|punk rock|pop punk|post punk|hardcore|hardcore punk|ska punk|emo|screamo|grunge"},
    {"star.fill", 0.91, "pop|dance pop|synth pop|synthpop|electropop|indie pop|art pop|dream pop|chamber pop|k pop|kpop|j pop|jpop|teen pop|britpop|euro pop|europop"},
    {"mic.fill", 0.1, "hip hop|hiphop|rap|gangsta rap|trap|conscious hip hop|alternative hip hop|boom bap|grime|drill|old school hip hop"},
    {"heart.fill", 0.95, "r and b|rnb|rhythm and blues|soul|neo soul|contemporary r and b|motown|quiet storm|funk|p funk|disco"},
    {"pianokeys", 0.12, "jazz|smooth jazz|bebop|hard bop|cool jazz|free jazz|jazz fusion|fusion|swing|big band|vocal jazz|acid jazz|nu jazz|ragtime"},
    {"guitars", 0.6, "blues|blues rock|delta blues|chicago blues|electric blues|country blues|rhythm and blues rock"},
    {"waveform", 0.52, "electronic|electronica|idm|glitch|experimental electronic|synthwave|retrowave|vaporwave|electro|industrial|ebm"},
    {"speaker.wave.3.fill", 0.72, "dance|edm|house|deep house|tech house|progressive house|electro house|acid house|tropical house|techno|minimal techno|trance|psytrance|progressive trance|dubstep|drum and bass|dnb|jungle|breakbeat|breaks|uk garage|garage|dancehall|hardstyle|eurodance"},
    {"cloud.fill", 0.49, "ambient|dark ambient|chillout|chill out|downtempo|trip hop|lo fi|lofi|lounge|new age|meditation|relaxation|chillwave"},
    {"music.quarternote.3", 0.69, "classical|baroque|romantic|chamber music|orchestral|symphony|concerto|contemporary classical|modern classical|opera|operetta|choral|early music|minimalism|neoclassical"},
    {"sun.max.fill", 0.09, "country|country rock|alt country|alternative country|americana|bluegrass|honky tonk|outlaw country|western|country pop"},
    {"leaf.fill", 0.28, "folk|folk rock|indie folk|traditional folk|contemporary folk|singer songwriter|acoustic|celtic|traditional|roots"},
    {"sun.haze.fill", 0.38, "reggae|dub|roots reggae|ska|rocksteady|reggaeton|reggaeton latino"},
    {"globe.americas.fill", 0.04, "latin|latin pop|salsa|bachata|merengue|cumbia|tango|flamenco|bossa nova|samba|brazilian|latin jazz|mambo|bolero|rumba"},
    {"globe.europe.africa.fill", 0.44, "world|world music|afrobeat|afrobeats|afropop|african|highlife|soukous|ethiopian jazz|arabic|indian|bollywood|ra\xC3\xAF|rai|fado|chanson|klezmer|balkan"},
    {"film.fill", 0.64, "soundtrack|soundtracks|score|film score|original score|ost|musical|musicals|stage and screen|video game|game soundtrack|anime"},
    {"hands.sparkles.fill", 0.14, "gospel|christian|christian rock|christian pop|worship|spiritual|religious"},
    {"sparkles", 0.81, "holiday|christmas|children|childrens|kids|comedy|novelty|spoken word|audiobook|poetry"},
    {"waveform.path", 0.57, "experimental|avant garde|noise|musique concrete|sound art|drone|post industrial"},
};
// clang-format on

using Catalog = std::unordered_map<std::string, GenreIcon>;

const Catalog& catalog() {
    static const Catalog built = [] {
        Catalog result;
        for (const Family& family : families) {
            std::string_view aliases = family.aliases;
            while (!aliases.empty()) {
                const std::size_t bar = aliases.find('|');
                const std::string_view alias = aliases.substr(0, bar);
                aliases = bar == std::string_view::npos ? std::string_view() : aliases.substr(bar + 1);
                if (alias.empty()) continue;
                result.insert_or_assign(GenreIcon::normalized(alias), GenreIcon{family.symbol, family.hue});
            }
        }
        return result;
    }();
    return built;
}

// Keys are compared by user-perceived characters; after folding, accents are
// gone and each code point stands alone, so code points count them.
std::size_t characterCount(const std::string& key) {
    return text::codePoints(key).size();
}

} // namespace

std::string GenreIcon::normalized(std::string_view name) {
    // Case and accent folding: the case-folded text decomposed, its marks dropped.
    const std::u32string folded = text::codePoints(text::nfd(text::foldCase(name)));
    std::string words;
    std::string word;
    const auto endWord = [&] {
        if (word.empty()) return;
        if (!words.empty()) words += ' ';
        words += word;
        word.clear();
    };
    for (const char32_t c : folded) {
        if (text::isMark(c) || c == U'\'' || c == U'\u2019') continue;
        if (c == U'&') {
            endWord();
            if (!words.empty()) words += ' ';
            words += "and";
        } else if (text::isAlphanumeric(c)) {
            text::appendCodePoint(word, c);
        } else {
            endWord();
        }
    }
    endWord();
    return words;
}

GenreIcon GenreIcon::style(std::string_view genre) {
    const std::string key = normalized(genre);
    const Catalog& known = catalog();
    if (const auto exact = known.find(key); exact != known.end()) return exact->second;

    const std::string padded = " " + key + " ";
    const std::string* best = nullptr;
    std::size_t bestLength = 0;
    for (const auto& [alias, icon] : known) {
        if (padded.find(" " + alias + " ") == std::string::npos) continue;
        const std::size_t length = characterCount(alias);
        // UTF-8 byte order is code point order.
        if (!best || length > bestLength || (length == bestLength && alias < *best)) {
            best = &alias;
            bestLength = length;
        }
    }
    if (best) return known.at(*best);

    std::uint64_t hash = 5381;
    for (const unsigned char byte : key)
        hash = hash * 33 + byte;
    return {"music.note", static_cast<double>(hash % 360) / 360.0};
}

std::size_t GenreIcon::catalogSize() {
    return catalog().size();
}

std::vector<std::string> GenreIcon::familySymbols() {
    std::vector<std::string> symbols;
    for (const Family& family : families)
        symbols.emplace_back(family.symbol);
    symbols.emplace_back("music.note");
    return symbols;
}

} // namespace sorvalind
