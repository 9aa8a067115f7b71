// Prints what the digest and name indexes save over walking MD5Hashes and InfectionNames per file.
#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "base/text.h"
#include "smartscan/match_index.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

std::wstring RandomDigest(std::mt19937& rng) {
    static constexpr wchar_t kHex[] = L"0123456789ABCDEF";
    std::wstring d(32, L'0');
    for (auto& c : d) c = kHex[rng() % 16];
    return d;
}

std::wstring RandomName(std::mt19937& rng) {
    std::wstring n(4 + rng() % 10, L'a');
    for (auto& c : n) c = static_cast<wchar_t>(L'a' + rng() % 26);
    return n;
}

}  // namespace

int main() {
    using namespace pell;
    std::mt19937 rng(1321);
    // The shipped table sizes; the files of one run: processes, Run values and autorun commands.
    std::vector<std::wstring> hashes(4983), names(6640);
    for (auto& h : hashes) h = RandomDigest(rng);
    for (auto& n : names) n = RandomName(rng);
    constexpr int kFiles = 200;
    constexpr int kRuns = 50;
    std::vector<std::wstring> digests(kFiles), bases(kFiles);
    for (int i = 0; i < kFiles; ++i) {
        digests[i] = i % 20 == 0 ? hashes[rng() % hashes.size()] : RandomDigest(rng);
        bases[i] = UpperCase(i % 2 ? names[rng() % names.size()] : RandomName(rng));
    }

    std::size_t linearHits = 0, indexHits = 0;
    auto t0 = Clock::now();
    for (int run = 0; run < kRuns; ++run) {
        for (int i = 0; i < kFiles; ++i) {
            // The listed-name walk happens only after a match, as in the passes.
            for (const auto& h : hashes) {
                if (h != digests[i]) continue;
                ++linearHits;
                for (const auto& n : names)
                    if (UpperCase(n) == bases[i]) {
                        ++linearHits;
                        break;
                    }
            }
        }
    }
    auto linear = Clock::now() - t0;

    t0 = Clock::now();
    for (int run = 0; run < kRuns; ++run) {
        DigestIndex digestIndex(hashes);  // built once per run
        ListedNames listed(names);
        for (int i = 0; i < kFiles; ++i) {
            for ([[maybe_unused]] std::size_t match : digestIndex.Matches(digests[i])) {
                ++indexHits;
                if (listed.Listed(bases[i])) ++indexHits;
            }
        }
    }
    auto indexed = Clock::now() - t0;

    std::printf("%d runs x %d files against %zu digests and %zu names\n", kRuns, kFiles, hashes.size(), names.size());
    std::printf("linear walks (digests per file, names per match):    %8.2f ms per run\n", Ms(linear) / kRuns);
    std::printf("indexes built once per run, then looked up:           %8.2f ms per run\n", Ms(indexed) / kRuns);
    std::printf("ratio linear / indexed: %.1fx   (same answers: %s)\n", Ms(linear) / Ms(indexed),
                linearHits == indexHits ? "yes" : "NO");
    return linearHits == indexHits ? 0 : 1;
}
