#include "loopback/generated_library.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <string_view>

namespace sorvalind::loopback {

namespace {

constexpr std::array<std::string_view, 50> firstNames{
    "Zoë",    "Björk",   "Ana",    "Søren",   "Chloé",  "Jürgen", "Ève",       "Ñusta",   "Łukasz",
    "Mária",  "Ingrid",  "Hélène", "Tomás",   "Renée",  "Dvořák", "Olúmidé",   "Aurélie", "Kōji",
    "Ümit",   "Agnès",   "Bruno",  "Camille", "Dagný",  "Esmé",   "Fatoumata", "Gösta",   "Håkon",
    "Inès",   "José",    "Katrín", "Leoš",    "Mónica", "Nándor", "Oksana",    "Pál",     "Quentin",
    "Raúl",   "Siobhán", "Tõnu",   "Ulrike",  "Vítor",  "Wiktor", "Xóchitl",   "Yannick", "Zdeněk",
    "Amélie", "Benoît",  "Cécile", "Dóra",    "Élodie"};

constexpr std::array<std::string_view, 40> lastNames{
    "Müller",   "Sørensen",  "Nuñez",    "Dupré",        "Kovačević", "Łoś",       "Åberg",    "Öztürk",
    "Fontaine", "Brontë",    "Ibáñez",   "Jääskeläinen", "Khalifé",   "Lindqvist", "Mäkelä",   "Novák",
    "Orozco",   "Pérez",     "Quiñones", "Rosário",      "Szabó",     "Takahashi", "Urbański", "Vásquez",
    "Weiß",     "Yilmaz",    "Zúñiga",   "Acosta",       "Bergström", "Castaño",   "Debussy",  "Eriksdóttir",
    "Ferrán",   "Gonçalves", "Hřebejk",  "Ionescu",      "Janáček",   "Kråkström", "Lefèvre",  "Moreau"};

constexpr std::array<std::string_view, 46> genreNames{"Rock",
                                                      "rock",
                                                      "Pop",
                                                      "Hip-Hop",
                                                      "Hip Hop",
                                                      "Electronic",
                                                      "Electronica",
                                                      "Jazz",
                                                      "Soul",
                                                      "R&B",
                                                      "Folk",
                                                      "Metal",
                                                      "Heavy Metal",
                                                      "Classical",
                                                      "Alternative",
                                                      "Indie",
                                                      "Indie Rock",
                                                      "Punk",
                                                      "Blues",
                                                      "Reggae",
                                                      "Country",
                                                      "Latin",
                                                      "Chanson",
                                                      "Schlager",
                                                      "Ambient",
                                                      "Drum & Bass",
                                                      "Drum and Bass",
                                                      "K-Pop",
                                                      "Soundtrack",
                                                      "World",
                                                      "Funk",
                                                      "Disco",
                                                      "House",
                                                      "Techno",
                                                      "Trance",
                                                      "Rock; Pop",
                                                      "Singer-Songwriter",
                                                      "Fado",
                                                      "Flamenco",
                                                      "Música Popular Brasileira",
                                                      "Bossa Nova",
                                                      "Trip-Hop",
                                                      "Afrobeat",
                                                      "Zydeco",
                                                      "Cumbia",
                                                      "Shoegaze"};

// Splitmix64: a deterministic hash of an item's index and a field's salt.
std::uint64_t mix(std::uint64_t x) {
    x += 0x9E3779B97F4A7C15ULL;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
    return x ^ (x >> 31);
}

std::uint64_t hashOf(int index, std::uint64_t salt) {
    return mix(static_cast<std::uint64_t>(index) * 0x100000001B3ULL ^ mix(salt));
}

int pick(int index, std::uint64_t salt, int count) {
    return static_cast<int>(hashOf(index, salt) % static_cast<std::uint64_t>(count));
}

bool chance(int index, std::uint64_t salt, int percent) {
    return pick(index, salt, 100) < percent;
}

std::string twoDigits(int value) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "%02d", value);
    return buffer;
}

// A server timestamp between 2012 and 2024, with nanoseconds as Navidrome writes them.
std::string timestamp(int index, std::uint64_t salt) {
    const std::uint64_t h = hashOf(index, salt);
    return std::to_string(2012 + static_cast<int>(h % 13)) + "-" +
           twoDigits(static_cast<int>(h / 13 % 12) + 1) + "-" +
           twoDigits(static_cast<int>(h / 156 % 28) + 1) + "T" + twoDigits(static_cast<int>(h / 4368 % 24)) +
           ":" + twoDigits(static_cast<int>(h / 104832 % 60)) + ":" +
           twoDigits(static_cast<int>(h / 6289920 % 60)) + "." + std::to_string(100000000 + h % 900000000) +
           "Z";
}

std::string artistId(int index) {
    return "ar-" + std::to_string(index + 1);
}

std::string artistName(int index) {
    const int pairs = static_cast<int>(firstNames.size() * lastNames.size());
    std::string name =
        std::string(firstNames[static_cast<std::size_t>(index) % firstNames.size()]) + " " +
        std::string(lastNames[static_cast<std::size_t>(index) / firstNames.size() % lastNames.size()]);
    if (index >= pairs) name += " " + std::to_string(index / pairs + 1);
    return name;
}

Artist credit(int index) {
    return Artist::make(artistId(index), artistName(index));
}

std::string words(int index, std::uint64_t salt, int count) {
    const auto& vocabulary = GeneratedLibrary::titleWords();
    std::string text;
    for (int i = 0; i < count; ++i) {
        if (i > 0) text += ' ';
        text += vocabulary[static_cast<std::size_t>(
            pick(index, salt + static_cast<std::uint64_t>(i), static_cast<int>(vocabulary.size())))];
    }
    return text;
}

std::vector<ItemGenre> genresOf(int index, std::uint64_t salt) {
    const int count = 1 + pick(index, salt, 3);
    std::vector<ItemGenre> genres;
    for (int i = 0; i < count; ++i) {
        std::string name(genreNames[static_cast<std::size_t>(
            pick(index, salt + 1 + static_cast<std::uint64_t>(i), static_cast<int>(genreNames.size())))]);
        if (std::none_of(genres.begin(), genres.end(), [&](const ItemGenre& g) { return g.name == name; }))
            genres.push_back(ItemGenre{std::move(name)});
    }
    return genres;
}

} // namespace

GeneratedLibrary::Shape GeneratedLibrary::scaled(int songs) {
    Shape shape;
    shape.songs = songs;
    shape.albums = std::max(1, songs * 8 / 100);
    shape.artists = std::max(1, songs / 50);
    return shape;
}

GeneratedLibrary::GeneratedLibrary(Shape shape) : shape_(shape) {}

int GeneratedLibrary::albumOfSong(int songIndex) const noexcept {
    return static_cast<int>(static_cast<std::int64_t>(songIndex) * shape_.albums / shape_.songs);
}

int GeneratedLibrary::firstSongOfAlbum(int albumIndex) const noexcept {
    // The smallest song index whose album is albumIndex.
    return static_cast<int>((static_cast<std::int64_t>(albumIndex) * shape_.songs + shape_.albums - 1) /
                            shape_.albums);
}

// Album j belongs to artist j mod artists, so every artist has albums.
static int primaryArtistOfAlbum(int albumIndex, int artists) {
    return albumIndex % artists;
}

Artist GeneratedLibrary::artist(int index) const {
    Artist artist = credit(index);
    artist.coverArt = artistId(index);
    artist.albumCount = (shape_.albums - index + shape_.artists - 1) / shape_.artists;
    if (chance(index, 11, 6)) artist.starred = timestamp(index, 12);
    if (chance(index, 13, 10)) artist.userRating = 1 + pick(index, 14, 5);
    return artist;
}

Album GeneratedLibrary::album(int index) const {
    const int primary = primaryArtistOfAlbum(index, shape_.artists);
    Album album = Album::make("al-" + std::to_string(index + 1), words(index, 21, 1 + pick(index, 20, 2)));
    std::vector<Artist> artists{credit(primary)};
    if (chance(index, 22, 12)) artists.push_back(credit(pick(index, 23, shape_.artists)));
    std::string artistText;
    for (const Artist& a : artists)
        artistText += (artistText.empty() ? "" : " • ") + a.name;
    album.artist = artistText;
    album.artistId = artists.front().id;
    album.artists = artists;
    album.albumArtists = std::vector{artists.front()};
    album.coverArt = "al-" + std::to_string(index + 1) + "_0";
    const int firstSong = firstSongOfAlbum(index);
    const int songs = (index + 1 < shape_.albums ? firstSongOfAlbum(index + 1) : shape_.songs) - firstSong;
    album.songCount = songs;
    album.duration = 200.0 * songs + pick(index, 24, 100);
    album.year = 1960 + pick(index, 25, 64);
    std::vector<ItemGenre> genres = genresOf(index, 26);
    album.genre = genres.front().name;
    album.genres = std::move(genres);
    album.created = timestamp(index, 27);
    if (chance(index, 28, 60)) {
        album.played = timestamp(index, 29);
        album.playCount = 1 + pick(index, 30, 200);
    }
    if (chance(index, 31, 5)) album.starred = timestamp(index, 32);
    if (chance(index, 33, 8)) album.userRating = 1 + pick(index, 34, 5);
    album.isCompilation = chance(index, 35, 3);
    return album;
}

Song GeneratedLibrary::song(int index) const {
    const int albumIndex = albumOfSong(index);
    const int primary = primaryArtistOfAlbum(albumIndex, shape_.artists);
    const int position = index - firstSongOfAlbum(albumIndex);
    const std::string albumId = "al-" + std::to_string(albumIndex + 1);

    const int wordCount = chance(index, 40, 10) ? 1 : chance(index, 41, 17) ? 3 : 2;
    std::string title = words(index, 42, wordCount);
    if (chance(index, 46, 4)) title += " (Live)";

    Song song = Song::make("so-" + std::to_string(index + 1), std::move(title));
    std::vector<Artist> artists{credit(primary)};
    if (chance(index, 47, 20)) artists.push_back(credit(pick(index, 48, shape_.artists)));
    if (chance(index, 49, 3)) artists.push_back(credit(pick(index, 50, shape_.artists)));
    std::string artistText;
    for (const Artist& a : artists)
        artistText += (artistText.empty() ? "" : " feat. ") + a.name;
    song.artist = artistText;
    song.artistId = artists.front().id;
    song.artists = std::move(artists);
    song.albumArtists = std::vector{credit(primary)};
    song.album = album(albumIndex).name;
    song.albumId = albumId;
    std::vector<Contributor> contributors;
    if (chance(index, 51, 30)) {
        const int composer = pick(index, 52, shape_.artists);
        contributors.push_back(Contributor::make("composer", std::nullopt, credit(composer)));
        song.displayComposer = artistName(composer);
    }
    if (chance(index, 53, 10))
        contributors.push_back(
            Contributor::make("performer", "guitar", credit(pick(index, 54, shape_.artists))));
    if (!contributors.empty()) song.contributors = std::move(contributors);
    song.displayAlbumArtist = artistName(primary);
    std::vector<ItemGenre> genres = genresOf(index, 55);
    song.genre = genres.front().name;
    song.genres = std::move(genres);
    song.coverArt = albumId + "_0";
    song.duration = 90.0 + pick(index, 58, 400) + pick(index, 59, 1000) / 1000.0;
    const int discs = (index % 7 == 0 && position >= 6) ? 2 : 1;
    song.discNumber = discs;
    song.track = discs == 2 ? position - 5 : position + 1;
    song.year = 1960 + pick(albumIndex, 25, 64);
    const bool lossless = chance(index, 60, 70);
    song.suffix = lossless ? "flac" : "mp3";
    song.contentType = lossless ? "audio/flac" : "audio/mpeg";
    song.size = 3'000'000 + pick(index, 61, 40'000'000);
    song.bitRate = lossless ? 700 + pick(index, 62, 400) : 320;
    song.samplingRate = lossless && chance(index, 63, 20) ? 96000 : 44100;
    song.bitDepth = lossless ? 16 : 0;
    song.channelCount = 2;
    song.path = artistName(primary) + "/" + *song.album + "/" + std::to_string(*song.track) + " - " +
                song.title + "." + *song.suffix;
    if (chance(index, 64, 5)) song.comment = "Recorded at the Salle Pleyel";
    if (chance(index, 65, 20)) song.bpm = 60 + pick(index, 66, 120);
    if (chance(index, 67, 3)) song.starred = timestamp(index, 68);
    if (chance(index, 69, 10)) song.userRating = 1 + pick(index, 70, 5);
    if (chance(index, 71, 60)) {
        song.playCount = 1 + pick(index, 72, 300);
        song.played = timestamp(index, 73);
    }
    song.created = timestamp(albumIndex, 27);
    song.isVideo = false;
    return song;
}

int GeneratedLibrary::pageCount() const noexcept {
    const int largest = std::max({shape_.songs, shape_.albums, shape_.artists});
    return (largest + shape_.pageSize - 1) / shape_.pageSize;
}

SearchPage GeneratedLibrary::page(int index) const {
    SearchPage page = SearchPage::make({}, {}, {});
    const int first = index * shape_.pageSize;
    for (int i = first; i < std::min(first + shape_.pageSize, shape_.artists); ++i)
        page.artist->push_back(artist(i));
    for (int i = first; i < std::min(first + shape_.pageSize, shape_.albums); ++i)
        page.album->push_back(album(i));
    for (int i = first; i < std::min(first + shape_.pageSize, shape_.songs); ++i)
        page.song->push_back(song(i));
    return page;
}

const std::vector<std::string>& GeneratedLibrary::titleWords() {
    static const std::vector<std::string> vocabulary{
        "Abendrot",  "Acqua",     "Adiós",       "Aftermath", "Águila",       "Alba",     "Alegría",
        "Amanecer",  "Ámbar",     "Ängel",       "Anthem",    "Árbol",        "Aurora",   "Avenue",
        "Ballad",    "Bárbara",   "Beacon",      "Bésame",    "Bleu",         "Blossom",  "Boréal",
        "Brücke",    "Burning",   "Café",        "Calle",     "Canção",       "Caravan",  "Cœur",
        "Cielo",     "Cinder",    "Ciudad",      "Coração",   "Crimson",      "Crystal",  "Dämmerung",
        "Dance",     "Déjà",      "Desert",      "Destino",   "Diamond",      "Dolce",    "Dream",
        "Drift",     "Dünen",     "Echo",        "Éclair",    "Ember",        "Encore",   "Équinoxe",
        "Esperanza", "Été",       "Évasion",     "Faded",     "Fantôme",      "Feuer",    "Fiesta",
        "Flamme",    "Flüstern",  "Forêt",       "Fortune",   "Frühling",     "Fuego",    "Galaxy",
        "Garden",    "Gelée",     "Ghost",       "Glacier",   "Glück",        "Golden",   "Gravity",
        "Grenade",   "Guitarra",  "Harbor",      "Harmonie",  "Heartbeat",    "Heimat",   "Highway",
        "Himmel",    "Hiver",     "Horizon",     "Huracán",   "Hymne",        "Ícaro",    "Île",
        "Illusion",  "Infinity",  "Invierno",    "Island",    "Ivory",        "Jardín",   "Jasmine",
        "Jeunesse",  "Journey",   "Júbilo",      "Jungle",    "Kaleidoscope", "Karma",    "Kingdom",
        "Kiss",      "Königin",   "Küste",       "Labyrinth", "Lágrima",      "Lantern",  "Legend",
        "Liberté",   "Lilac",     "Llama",       "Lullaby",   "Lumière",      "Luna",     "Mañana",
        "Marée",     "Meadow",    "Melancolía",  "Mémoire",   "Midnight",     "Mirage",   "Mondschein",
        "Mosaic",    "Música",    "Mystère",     "Nacht",     "Naïve",        "Neon",     "Niebla",
        "Noche",     "Nocturne",  "Nordlicht",   "Nostalgie", "Nuage",        "Océan",    "Odyssey",
        "Olvido",    "Ombre",     "Orchid",      "Orphée",    "Pájaro",       "Paradise", "Pasión",
        "Pétale",    "Phoenix",   "Piano",       "Pluie",     "Prélude",      "Prism",    "Quasar",
        "Querida",   "Quiet",     "Radiance",    "Rain",      "Rêverie",      "Ribbon",   "Río",
        "Rivière",   "Romance",   "Rosée",       "Rüya",      "Saudade",      "Sélène",   "Serenade",
        "Shadow",    "Silence",   "Sirène",      "Sky",       "Soleil",       "Sombra",   "Sonata",
        "Sørlandet", "Spiral",    "Stardust",    "Stürme",    "Summer",       "Sunrise",  "Tango",
        "Tempête",   "Ternura",   "Thunder",     "Tide",      "Tiempo",       "Träume",   "Tristesse",
        "Twilight",  "Über",      "Ultraviolet", "Umbra",     "Unicorn",      "Univers",  "Utopia",
        "Vagabond",  "Valse",     "Velvet",      "Vérité",    "Viento",       "Voyage",   "Vuelo",
        "Wanderer",  "Whisper",   "Wildfire",    "Winter",    "Wolke",        "Xanadu",   "Xylophone",
        "Yearning",  "Yesterday", "Ýmir",        "Zafiro",    "Zénith",       "Zephyr",   "Ziggurat",
        "Zodiac",    "Zürich"};
    return vocabulary;
}

} // namespace sorvalind::loopback
