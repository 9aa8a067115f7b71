// tunegen: writes the about box's hidden tune, "Pellworth Tide", as a Standard MIDI file.
//
//   tunegen OUTPUT_FILE   write the tune (format 1, 120 ticks per quarter note) and print its size and length
//
// The tune is our own: sixteen bars in G major at 120 beats per minute, a square-wave lead over strings,
// bass and a light drum kit. The score is written below as text so that it reads like a lead sheet.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr int kTicksPerQuarter = 120;
constexpr int kTicksPerEighth = kTicksPerQuarter / 2;
constexpr int kEighthsPerBar = 8;
constexpr std::uint32_t kMicrosecondsPerQuarter = 500000;  // 120 beats per minute

// The lead, one string per bar: note name and octave (or "r" for a rest), a colon, the length in eighths.
const char* const kMelody[] = {
    "B4:2 D5:1 G5:1 F#5:2 E5:1 D5:1",  // 1  G
    "E5:3 G5:1 B4:2 r:2",              // 2  Em
    "C5:1 E5:1 G5:2 A5:1 G5:1 E5:2",   // 3  C
    "F#5:2 A5:2 D5:4",                 // 4  D
    "B4:2 D5:1 G5:1 B5:2 A5:1 G5:1",   // 5  G
    "E5:2 B5:2 G5:3 E5:1",             // 6  Em
    "C5:1 E5:1 A5:2 F#5:1 E5:1 D5:1 C5:1",  // 7  Am D
    "B4:2 G4:2 G5:4",                  // 8  G
    "E5:1 F#5:1 G5:2 E5:2 C5:2",       // 9  C
    "A5:3 F#5:1 D5:2 A4:2",            // 10 D
    "B4:1 D5:1 F#5:2 B5:2 A5:1 F#5:1", // 11 Bm
    "G5:2 E5:2 F#5:2 A5:2",            // 12 Em D
    "B4:2 D5:1 G5:1 F#5:2 E5:1 D5:1",  // 13 G
    "E5:1 G5:1 C6:2 B5:1 A5:1 G5:2",   // 14 C
    "A5:2 C6:1 A5:1 F#5:2 D5:2",       // 15 Am D
    "G5:6 r:2",                        // 16 G
};

// The harmony, one string per bar: one chord for the whole bar or two for its halves.
const char* const kChords[] = {
    "G", "Em", "C", "D", "G", "Em", "Am D", "G", "C", "D", "Bm", "Em D", "G", "C", "Am D", "G",
};

struct Chord {
    int root;                // bass note (MIDI key)
    std::vector<int> voicing;  // the strings' close voicing around middle C
};

const std::map<std::string, Chord>& Chords() {
    static const std::map<std::string, Chord> chords = {
        {"G", {43, {55, 59, 62}}},  {"Em", {40, {52, 55, 59}}}, {"C", {48, {52, 55, 60}}},
        {"D", {50, {54, 57, 62}}},  {"Am", {45, {52, 57, 60}}}, {"Bm", {47, {54, 59, 62}}},
    };
    return chords;
}

struct Note {
    int tick;
    int length;
    int key;
    int velocity;
};

int KeyOf(const std::string& name) {
    static const std::map<char, int> steps = {{'C', 0}, {'D', 2}, {'E', 4}, {'F', 5}, {'G', 7}, {'A', 9}, {'B', 11}};
    std::size_t i = 0;
    auto step = steps.find(name.empty() ? '?' : name[i++]);
    if (step == steps.end()) throw std::runtime_error("bad note name \"" + name + "\"");
    int key = step->second;
    if (i < name.size() && name[i] == '#') ++key, ++i;
    if (i + 1 != name.size() || name[i] < '0' || name[i] > '8') throw std::runtime_error("bad octave in \"" + name + "\"");
    return key + 12 * (name[i] - '0' + 1);  // C4 is 60
}

std::vector<Note> Lead() {
    std::vector<Note> notes;
    int bar = 0;
    for (const char* line : kMelody) {
        std::istringstream in(line);
        std::string token;
        int eighths = 0;
        while (in >> token) {
            const auto colon = token.find(':');
            if (colon == std::string::npos) throw std::runtime_error("no length in \"" + token + "\"");
            const int length = std::stoi(token.substr(colon + 1));
            const std::string name = token.substr(0, colon);
            if (name != "r") {
                // The first beat of each bar leans a little.
                const int velocity = eighths == 0 ? 100 : 88;
                notes.push_back({(bar * kEighthsPerBar + eighths) * kTicksPerEighth, length * kTicksPerEighth,
                                 KeyOf(name), velocity});
            }
            eighths += length;
        }
        if (eighths != kEighthsPerBar) throw std::runtime_error("bar " + std::to_string(bar + 1) + " does not add up");
        ++bar;
    }
    return notes;
}

// Each chord of the harmony with its start and length in ticks.
std::vector<std::pair<const Chord*, std::pair<int, int>>> Harmony() {
    std::vector<std::pair<const Chord*, std::pair<int, int>>> spans;
    int bar = 0;
    for (const char* line : kChords) {
        std::istringstream in(line);
        std::vector<std::string> names;
        for (std::string name; in >> name;) names.push_back(name);
        const int barTicks = kEighthsPerBar * kTicksPerEighth;
        const int each = barTicks / static_cast<int>(names.size());
        for (std::size_t i = 0; i < names.size(); ++i) {
            auto chord = Chords().find(names[i]);
            if (chord == Chords().end()) throw std::runtime_error("unknown chord " + names[i]);
            spans.push_back({&chord->second, {bar * barTicks + static_cast<int>(i) * each, each}});
        }
        ++bar;
    }
    return spans;
}

std::vector<Note> Strings() {
    std::vector<Note> notes;
    for (const auto& [chord, span] : Harmony())
        for (int key : chord->voicing) notes.push_back({span.first, span.second, key, 52});
    return notes;
}

std::vector<Note> Bass() {
    std::vector<Note> notes;
    const auto harmony = Harmony();
    for (std::size_t i = 0; i < harmony.size(); ++i) {
        const auto& [chord, span] = harmony[i];
        if (i + 1 == harmony.size()) {  // the last chord rings
            notes.push_back({span.first, span.second, chord->root, 90});
            continue;
        }
        // Root and fifth in quarter notes.
        for (int t = 0; t < span.second; t += kTicksPerQuarter)
            notes.push_back({span.first + t, kTicksPerQuarter - 10, chord->root + ((t / kTicksPerQuarter) % 2 ? 7 : 0),
                             t == 0 ? 92 : 80});
    }
    return notes;
}

std::vector<Note> Drums() {
    constexpr int kKick = 36, kSnare = 38, kHat = 42, kCrash = 49;
    std::vector<Note> notes;
    const int bars = static_cast<int>(std::size(kMelody));
    for (int bar = 0; bar < bars; ++bar) {
        const int start = bar * kEighthsPerBar * kTicksPerEighth;
        if (bar + 1 == bars) {
            notes.push_back({start, kTicksPerQuarter, kCrash, 90});
            notes.push_back({start, kTicksPerQuarter, kKick, 100});
            break;
        }
        for (int beat = 0; beat < 4; ++beat)
            notes.push_back({start + beat * kTicksPerQuarter, kTicksPerEighth, beat % 2 ? kSnare : kKick, 84});
        for (int e = 0; e < kEighthsPerBar; ++e) notes.push_back({start + e * kTicksPerEighth, 30, kHat, e % 2 ? 40 : 56});
    }
    return notes;
}

class TrackWriter {
public:
    void Delta(int tick) {
        if (tick < last_) throw std::logic_error("events out of order");
        Number(static_cast<std::uint32_t>(tick - last_));
        last_ = tick;
    }
    void Meta(int tick, std::uint8_t type, const std::string& data) {
        Delta(tick);
        bytes_ += '\xFF';
        bytes_ += static_cast<char>(type);
        Number(static_cast<std::uint32_t>(data.size()));
        bytes_ += data;
    }
    void Event(int tick, std::uint8_t status, std::uint8_t a) {
        Delta(tick);
        bytes_ += static_cast<char>(status);
        bytes_ += static_cast<char>(a);
    }
    void Event(int tick, std::uint8_t status, std::uint8_t a, std::uint8_t b) {
        Event(tick, status, a);
        bytes_ += static_cast<char>(b);
    }
    void Notes(int channel, std::vector<Note> notes) {
        struct Edge { int tick; bool on; int key; int velocity; };
        std::vector<Edge> edges;
        for (const auto& n : notes) {
            edges.push_back({n.tick, true, n.key, n.velocity});
            edges.push_back({n.tick + n.length, false, n.key, 0});
        }
        // Releases go before strikes at the same tick, so a repeated key is released before it sounds again.
        std::stable_sort(edges.begin(), edges.end(),
                         [](const Edge& x, const Edge& y) { return x.tick != y.tick ? x.tick < y.tick : !x.on && y.on; });
        for (const auto& e : edges)
            Event(e.tick, static_cast<std::uint8_t>((e.on ? 0x90 : 0x80) | channel), static_cast<std::uint8_t>(e.key),
                  static_cast<std::uint8_t>(e.on ? e.velocity : 64));
        end_ = std::max(end_, edges.empty() ? 0 : edges.back().tick);
    }
    std::string Chunk() {
        Meta(std::max(end_, last_), 0x2F, "");  // end of track
        std::string chunk = "MTrk";
        Be32(chunk, static_cast<std::uint32_t>(bytes_.size()));
        return chunk + bytes_;
    }
    int End() const { return last_; }
    void EndAt(int tick) { end_ = std::max(end_, tick); }

    static void Be32(std::string& out, std::uint32_t v) {
        for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((v >> shift) & 0xFF);
    }

private:
    void Number(std::uint32_t v) {  // variable-length quantity, most significant group first
        char groups[5];
        int n = 0;
        do groups[n++] = static_cast<char>(v & 0x7F); while ((v >>= 7) != 0);
        while (n-- > 0) bytes_ += static_cast<char>(groups[n] | (n ? 0x80 : 0));
    }
    std::string bytes_;
    int last_ = 0;
    int end_ = 0;
};

struct Part {
    const char* name;
    int channel;
    int program;  // General MIDI program number, 0-based
    int volume;
    std::vector<Note> (*notes)();
};

std::string Tune(int& lengthTicks) {
    const Part parts[] = {
        {"Lead", 0, 80, 100, Lead},       // square lead
        {"Strings", 1, 48, 70, Strings},  // string ensemble
        {"Bass", 2, 33, 96, Bass},        // fingered electric bass
        {"Drums", 9, 0, 80, Drums},       // the General MIDI percussion channel
    };
    std::vector<std::string> tracks;
    lengthTicks = 0;
    for (const auto& part : parts) {
        TrackWriter track;
        track.Meta(0, 0x03, part.name);
        if (part.channel != 9)
            track.Event(0, static_cast<std::uint8_t>(0xC0 | part.channel), static_cast<std::uint8_t>(part.program));
        track.Event(0, static_cast<std::uint8_t>(0xB0 | part.channel), 7, static_cast<std::uint8_t>(part.volume));
        track.Notes(part.channel, part.notes());
        tracks.push_back(track.Chunk());
        lengthTicks = std::max(lengthTicks, track.End());
    }

    // The conductor track comes first and lasts as long as the music, so players that follow it do not
    // stop early.
    TrackWriter conductor;
    conductor.Meta(0, 0x03, "Pellworth Tide");
    conductor.Meta(0, 0x58, std::string("\x04\x02\x18\x08", 4));  // 4/4
    conductor.Meta(0, 0x59, std::string("\x01\x00", 2));          // one sharp, major
    std::string tempo;
    TrackWriter::Be32(tempo, kMicrosecondsPerQuarter);
    conductor.Meta(0, 0x51, tempo.substr(1));
    conductor.EndAt(lengthTicks);
    tracks.insert(tracks.begin(), conductor.Chunk());

    std::string file = "MThd";
    TrackWriter::Be32(file, 6);
    const std::uint16_t header[] = {1, static_cast<std::uint16_t>(tracks.size()), kTicksPerQuarter};
    for (std::uint16_t v : header) file += static_cast<char>(v >> 8), file += static_cast<char>(v & 0xFF);
    for (const auto& track : tracks) file += track;
    return file;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: tunegen OUTPUT_FILE\n", stderr);
        return 2;
    }
    try {
        int ticks = 0;
        const std::string bytes = Tune(ticks);
        std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
        if (!out.write(bytes.data(), static_cast<std::streamsize>(bytes.size())) || !out.flush()) {
            std::fprintf(stderr, "tunegen: %s cannot be written\n", argv[1]);
            return 1;
        }
        std::printf("tunegen: %zu bytes, %d ticks, %.1f s\n", bytes.size(), ticks,
                    ticks / static_cast<double>(kTicksPerQuarter) * kMicrosecondsPerQuarter / 1e6);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tunegen: %s\n", e.what());
        return 1;
    }
    return 0;
}
