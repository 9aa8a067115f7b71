// Times the start-up load (read + validate + merge) of the shipped database and of one of database 6.70's
// size (6640 names, 4983 digests, 561 hosts), against a baseline that only copies every item into a
// string, and prints the figures.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "base/text.h"
#include "engine/engine.h"
#include "signatures/database.h"
#include "signatures/source_lists.h"
#include "tests/fake/fake_machine.h"
#include "tests/fake/test_host.h"

namespace {

using namespace pell;
using Clock = std::chrono::steady_clock;

std::string Synthetic() {
    SignatureDatabase db = SignatureDatabase::Empty();
    const std::size_t sizes[3] = {3262, 3091, 287};
    for (int k = 0; k < 3; ++k) {
        auto& items = db.Find(kNameLists[k])->items;
        for (std::size_t i = 0; i < sizes[k]; ++i) items.push_back(L"worm name " + std::to_wstring(k) + L"-" + std::to_wstring(i));
    }
    std::vector<std::wstring> hashes;
    for (std::size_t i = 0; i < 4983; ++i) {
        char buf[40];
        std::snprintf(buf, sizeof buf, "%032zX", i * 2654435761u);
        hashes.push_back(Utf8ToWide(buf));
    }
    DistributeHashes(hashes, db);
    for (std::size_t i = 0; i < 561; ++i)
        db.Find(L"lstHostInfections")->items.push_back(L"www.host" + std::to_wstring(i) + L".example.com");
    std::string bytes;
    std::wstring error;
    WriteDatabase(db, bytes, error);
    return bytes;
}

std::string Shipped() {
    SourceSet s;
    std::vector<std::wstring> errors;
    std::string bytes;
    if (!ReadSourceFolder(PELL_SOURCE_DIR "/signatures/data", s, errors) || !CompileSources(s, bytes, errors)) {
        for (auto& e : errors) std::fprintf(stderr, "%s\n", WideToUtf8(e).c_str());
        return {};
    }
    return bytes;
}

// Baseline: walk the blocks without any check and copy each item into a string.
std::size_t CopyItems(const std::string& b) {
    std::size_t p = 0, n = 0;
    std::vector<std::wstring> sink;
    auto u16 = [&](std::size_t at) {
        return static_cast<std::size_t>(static_cast<unsigned char>(b[at]) | (static_cast<unsigned char>(b[at + 1]) << 8));
    };
    while (p + 2 <= b.size()) {
        p += 2 + u16(p) + 1;
        const std::size_t count = u16(p);
        p += 2;
        if (count != 0) p += 2;
        for (std::size_t i = 0; i < count; ++i) {
            const std::size_t len = u16(p);
            sink.push_back(Cp1252ToWide(std::string_view(b).substr(p + 2, len)));
            p += 2 + len;
            ++n;
        }
    }
    return n + sink.size();
}

template <class F>
double MedianMicros(int runs, F f) {
    std::vector<double> t;
    for (int i = 0; i < runs; ++i) {
        const auto start = Clock::now();
        f();
        t.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    std::sort(t.begin(), t.end());
    return t[t.size() / 2];
}

void Measure(const char* label, const std::string& bytes) {
    test::FakeMachine machine;
    test::TestHost host;
    Translation translation;
    std::size_t names = 0, hashes = 0;
    volatile std::size_t keep = 0;
    const double load = MedianMicros(51, [&] {
        Engine e(machine, host, translation);
        std::wstring error;
        if (!LoadSignatures(bytes, e, error)) std::fprintf(stderr, "%s\n", WideToUtf8(error).c_str());
        names = e.InfectionNames.size();
        hashes = e.MD5Hashes.size();
    });
    const double copy = MedianMicros(51, [&] { keep = keep + CopyItems(bytes); });
    std::printf("%-22s %7zu bytes  %5zu names %5zu digests  load+merge %8.1f us  copy-only baseline %8.1f us  "
                "ratio %.2f\n",
                label, bytes.size(), names, hashes, load, copy, load / copy);
}

}  // namespace

int main() {
    const std::string shipped = Shipped();
    if (shipped.empty()) return 1;
    Measure("shipped database 6.70", shipped);
    Measure("6640/4983/561 synthetic", Synthetic());
    return 0;
}
