// What the benchmarks under Wine share: a host without a window, and database 6.70's sizes grown from
// the shipped database.
#pragma once

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "base/host.h"
#include "base/product.h"
#include "base/text.h"
#include "signatures/database.h"

namespace pell::bench {

// A host without a window: keeps the details text, answers every box with OK or No.
class QuietHost final : public Host {
public:
    std::wstring DetailsText() const override { return details_; }
    std::size_t DetailsLength() const override { return details_.size(); }
    void SetDetailsText(const std::wstring& text) override { details_ = text; }
    void AppendDetailsText(const std::wstring& text) override { details_ += text; }
    void SetDetailsCaret(std::size_t) override {}
    void SetProg1(double) override {}
    void SetProg2(double) override {}
    void DoEvents() override {}
    int MsgBox(int, bool yesNo) override { return yesNo ? answer::No : answer::Ok; }
    std::wstring Caption() const override { return MainCaption(); }
    void SetTerm(bool) override {}
    void EnableGUI() override {}
    void EndProgram() override {}
    std::size_t LineCount() const { return static_cast<std::size_t>(std::count(details_.begin(), details_.end(), L'\n')) + 1; }

private:
    std::wstring details_;
};

// Database 6.70's sizes: the shipped items first (so whatever they find is still found), then made-up
// names, digests and hosts that match nothing.
inline bool GrowToOriginalSize(SignatureDatabase& db) {
    const std::size_t sizes[3] = {3262, 3091, 287};
    for (int k = 0; k < 3; ++k) {
        auto& items = db.Find(kNameLists[k])->items;
        for (std::size_t i = items.size(); i < sizes[k]; ++i)
            items.push_back(L"synthetic" + std::to_wstring(k) + L"x" + std::to_wstring(i));
    }
    std::vector<std::wstring> hashes;
    for (auto list : kHashLists) {
        auto& items = db.Find(list)->items;
        hashes.insert(hashes.end(), items.begin(), items.end());
        items.clear();
    }
    for (std::size_t i = hashes.size(); i < 4983; ++i) {
        char buf[40];
        std::snprintf(buf, sizeof buf, "%016llX%016llX", 0x5EEDull + i, static_cast<unsigned long long>(i) * 2654435761ull);
        hashes.push_back(Utf8ToWide(buf));
    }
    DistributeHashes(hashes, db);
    auto& hosts = db.Find(L"lstHostInfections")->items;
    for (std::size_t i = hosts.size(); i < 561; ++i) hosts.push_back(L"www.synthetic" + std::to_wstring(i) + L".example");
    return true;
}

}  // namespace pell::bench
