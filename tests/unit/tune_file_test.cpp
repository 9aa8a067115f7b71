// The hidden tune as the build writes it: a well-formed Standard MIDI file that a sequencer can play.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

namespace {

// Reads the file's chunks and events the way a strict sequencer would, recording what it met.
struct SmfReader {
    explicit SmfReader(std::string bytes) : data(std::move(bytes)) {}

    std::string data;
    std::size_t pos = 0;

    bool Has(std::size_t n) const { return n <= data.size() - pos; }
    std::uint8_t Byte() { return static_cast<std::uint8_t>(data.at(pos++)); }
    std::uint32_t Be(int bytes) {
        std::uint32_t v = 0;
        while (bytes-- > 0) v = v << 8 | Byte();
        return v;
    }
    // A variable-length quantity: at most four bytes.
    std::uint32_t Number() {
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i) {
            const std::uint8_t b = Byte();
            v = v << 7 | (b & 0x7F);
            if (!(b & 0x80)) return v;
        }
        ADD_FAILURE() << "variable-length quantity longer than four bytes at " << pos;
        return v;
    }
};

struct TrackSummary {
    std::uint32_t ticks = 0;
    int notes = 0;
    int tempos = 0;
    std::uint32_t tempo = 0;
};

// Walks one track chunk's events; every event must end inside the chunk, and the chunk must end with
// exactly one End of Track.
TrackSummary ReadTrack(SmfReader& r, std::size_t end) {
    TrackSummary t;
    std::map<int, int> sounding;  // channel * 128 + key -> strikes not yet released
    std::uint8_t running = 0;
    bool ended = false;
    while (r.pos < end && !ended) {
        t.ticks += r.Number();
        std::uint8_t status = static_cast<std::uint8_t>(r.data.at(r.pos));
        if (status & 0x80) {
            ++r.pos;
            running = status < 0xF0 ? status : 0;  // meta and system events cancel running status
        } else if (running) {
            status = running;
        } else {
            ADD_FAILURE() << "data byte without a status at " << r.pos;
            return t;
        }
        if (status == 0xFF) {
            const std::uint8_t type = r.Byte();
            const std::uint32_t length = r.Number();
            EXPECT_LE(r.pos + length, end) << "meta event runs past its chunk";
            if (type == 0x2F) {
                ended = true;
                EXPECT_EQ(length, 0u);
            }
            if (type == 0x51 && length == 3) {
                ++t.tempos;
                t.tempo = r.Be(3);
            } else {
                r.pos += length;
            }
        } else if (status == 0xF0 || status == 0xF7) {
            r.pos += r.Number();
        } else {
            const int kind = status & 0xF0, channel = status & 0x0F;
            const std::uint8_t a = r.Byte();
            const std::uint8_t b = (kind == 0xC0 || kind == 0xD0) ? 0 : r.Byte();
            EXPECT_LT(a | b, 0x80) << "data byte with its top bit set at " << r.pos;
            if (kind == 0x90 && b > 0) ++sounding[channel * 128 + a], ++t.notes;
            if (kind == 0x80 || (kind == 0x90 && b == 0)) {
                EXPECT_GT(sounding[channel * 128 + a], 0) << "release of a key not struck at " << r.pos;
                --sounding[channel * 128 + a];
            }
        }
    }
    EXPECT_TRUE(ended) << "track without End of Track";
    EXPECT_EQ(r.pos, end) << "End of Track is not the chunk's last event";
    for (const auto& [key, count] : sounding) EXPECT_EQ(count, 0) << "key " << key % 128 << " left sounding";
    r.pos = end;
    return t;
}

TEST(TuneFile, IsAFormatOneStandardMidiFileThatPlaysFromStartToEnd) {
    std::ifstream in(PELL_TUNE_FILE, std::ios::binary);
    ASSERT_TRUE(in) << PELL_TUNE_FILE;
    std::stringstream ss;
    ss << in.rdbuf();
    SmfReader r(ss.str());

    ASSERT_TRUE(r.Has(14));
    ASSERT_EQ(r.data.substr(0, 4), "MThd");
    r.pos = 4;
    ASSERT_EQ(r.Be(4), 6u);
    EXPECT_EQ(r.Be(2), 1u) << "format";
    const std::uint32_t tracks = r.Be(2);
    const std::uint32_t division = r.Be(2);
    EXPECT_EQ(division, 120u) << "ticks per quarter note";
    EXPECT_GE(tracks, 2u);

    std::uint32_t longest = 0, tempo = 0;
    int notes = 0, tempos = 0;
    for (std::uint32_t i = 0; i < tracks; ++i) {
        ASSERT_TRUE(r.Has(8)) << "track " << i << " missing";
        ASSERT_EQ(r.data.substr(r.pos, 4), "MTrk") << "track " << i;
        r.pos += 4;
        const std::uint32_t length = r.Be(4);
        ASSERT_TRUE(r.Has(length)) << "track " << i << " longer than the file";
        const TrackSummary t = ReadTrack(r, r.pos + length);
        if (i > 0) EXPECT_GT(t.notes, 0) << "music track " << i << " is silent";
        longest = std::max(longest, t.ticks), notes += t.notes, tempos += t.tempos;
        if (t.tempos) tempo = t.tempo;
    }
    EXPECT_EQ(r.pos, r.data.size()) << "bytes after the last track";

    // Exactly one tempo, and a tune long enough to be heard but short of a concert.
    EXPECT_EQ(tempos, 1);
    const double seconds = longest / static_cast<double>(division) * tempo / 1e6;
    EXPECT_GE(seconds, 10.0);
    EXPECT_LE(seconds, 120.0);
    EXPECT_GE(notes, 64);
}

}  // namespace
