// The Winlogon stage: worm programs appended to the Shell and Userinit values are cut out of them.
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "record/change_sink.h"
#include "base/handles.h"
#include "base/registry_walk.h"
#include "record/record_places.h"
#include "engine/run_entry.h"
#include "engine/stages.h"
#include "base/text.h"
#include "i18n/details.h"

namespace pell {
namespace {

// A worm that writes its part back at once is not chased for ever.
constexpr int kMaxRewrites = 3;

struct WinlogonValue {
    const wchar_t* name;
    const wchar_t* program;  // the genuine program the value starts
    bool inSystemDir;        // where that program lives: SystemDir, otherwise WindowsDir
};
constexpr WinlogonValue kValues[] = {{kWinlogonValues[0], L"explorer.exe", false},
                                     {kWinlogonValues[1], L"userinit.exe", true}};
static_assert(std::size(kValues) == std::size(kWinlogonValues), "every value the record may name has its program");

std::wstring GenuinePath(const Folders& f, const WinlogonValue& v) {
    return (v.inSystemDir ? f.SystemDir : f.WindowsDir) + L"\\" + v.program;
}

// What the value must hold for Windows to start a desktop. Userinit's default names the system folder of
// this machine, which is not C:\Windows on every one.
std::wstring DefaultData(const Folders& f, const WinlogonValue& v) {
    return v.inSystemDir ? GenuinePath(f, v) + L"," : std::wstring(v.program);
}

bool IsSeparator(wchar_t c) { return c == L',' || c == L' ' || c == L'\t'; }

struct Span {
    std::size_t begin, end;
};

// The programs the value names: the texts between commas and blanks. A quoted path is one program,
// blanks and all.
std::vector<Span> Parts(const std::wstring& data) {
    std::vector<Span> parts;
    std::size_t i = 0;
    while (i < data.size()) {
        if (IsSeparator(data[i])) {
            ++i;
            continue;
        }
        const std::size_t begin = i;
        bool quoted = false;
        for (; i < data.size() && (quoted || !IsSeparator(data[i])); ++i)
            if (data[i] == L'"') quoted = !quoted;
        parts.push_back(Span{begin, i});
    }
    return parts;
}

// `data` without the programs whose file name is a worm name (by the Run keys' test); each goes with the
// separators before it, or after it when it stood first. The genuine program is never cut, whatever the
// name lists hold.
std::wstring WithoutWorms(const std::wstring& data, const WormNameIndex& worms, const Folders& f,
                          const WinlogonValue& v) {
    const std::vector<Span> parts = Parts(data);
    std::wstring kept;
    bool anyKept = false, anyCut = false;
    for (std::size_t j = 0; j < parts.size(); ++j) {
        const Span p = parts[j];
        const std::wstring program = ReplaceAll(data.substr(p.begin, p.end - p.begin), L"\"", L"");
        const bool genuine = Equals(program, v.program) || Equals(program, GenuinePath(f, v));
        if (!genuine && worms.FirstMatch(program, FileNameOf(program))) {
            anyCut = true;
            continue;
        }
        const std::size_t from = j == 0 ? 0 : anyKept ? parts[j - 1].end : p.begin;
        kept += data.substr(from, p.end - from);
        anyKept = true;
    }
    if (!anyCut) return data;
    if (!anyKept) return {};
    return kept + data.substr(parts.back().end);
}

void CleanWinlogonValue(Engine& e, RunFlags& flags, const WormNameIndex& worms, RegRoot root,
                        const std::wstring& label, const WinlogonValue& v) {
    for (int rewrite = 0; rewrite < kMaxRewrites; ++rewrite) {
        OpenKey key(e.sys);
        const long opened = key.Open(root, kWinlogonKey);
        // HKCU usually has no Winlogon key of its own.
        if (opened == code::FileNotFound || opened == code::PathNotFound) return;
        if (opened != code::Success) {
            flags.RegistryError = true;
            return;
        }
        std::optional<std::wstring> data;
        ForEachValue(e.sys, key.get(), [&](const RegValue& value) {
            if (!data && Equals(value.name, v.name)) data = value.data;
        });
        if (!data) return;
        std::wstring cleaned = WithoutWorms(*data, worms, e.folders, v);
        if (cleaned == *data) return;
        // Never deleted and never left empty: without it Windows starts no desktop.
        if (cleaned.empty()) cleaned = DefaultData(e.folders, v);
        RecordedValue before;
        before.root = root;
        before.key = kWinlogonKey;
        before.name = v.name;
        before.read = e.sys.RegQueryValue(key.get(), v.name, before.type, before.data) == code::Success;
        const long rc = e.sys.RegSetStringValue(key.get(), v.name, cleaned);
        if (rc == code::Success) e.Changes().ValueRewritten(before, StringValueBytes(cleaned));
        const std::wstring report = label + v.name + L" = " + *data;
        if (rc == code::Success) {
            e.Details(status::Removed, report);
        } else {
            e.Details(status::UnableToRemove, report);
            flags.RegistryError = true;
        }
        e.host.SetDetailsCaret(e.host.DetailsLength());
        flags.EntryRemoved = true;
        if (rc != code::Success) return;
    }
}

}  // namespace

void CleanWinlogon(Engine& e, RunFlags& flags) {
    const WormNameIndex worms(e.InfectionNames);
    if (worms.empty()) return;
    for (RegRoot root : kWinlogonRoots) {
        const wchar_t* label = root == RegRoot::LocalMachine ? L"HKLM\\..\\Winlogon\\" : L"HKCU\\..\\Winlogon\\";
        for (const WinlogonValue& v : kValues) CleanWinlogonValue(e, flags, worms, root, label, v);
    }
}

}  // namespace pell
