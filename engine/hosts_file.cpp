// Hosts file cleaning: worm lines leave the hosts file.
#include <string>
#include <vector>

#include "base/backup_name.h"
#include "base/files.h"
#include "base/handles.h"
#include "engine/stages.h"
#include "record/record_places.h"
#include "base/text.h"
#include "base/trace.h"
#include "i18n/details.h"

namespace pell {
namespace {

constexpr wchar_t kRemovalMarker[] = L"<KZRO Remove Me>";
constexpr wchar_t kLocalhostLine[] = L"127.0.0.1       localhost";
constexpr char kCrLf[] = "\r\n";
// The new content is written beside the file and then moved over it in one step.
constexpr wchar_t kNewSuffix[] = L".pellworth-new";
// Even the largest block lists stay far below this; a bigger file is not a hosts file we should rewrite.
constexpr std::uint64_t kMaxHostsBytes = 64ull << 20;

struct HostsLine {
    std::string bytes;  // as in the file, without its line end
    std::string end;    // "\r\n", "\n", or "" for the text after the last line end
    std::wstring text;  // the line as the tests see it; the marker once it is marked
    bool marked = false;
};

// Reads what the open file holds; false on a read error or a file too large to be a hosts file.
bool ReadOpenFile(System& sys, FileHandle file, std::string& bytes) {
    std::uint64_t size = 0;
    if (sys.GetFileSize(file, size) && size > kMaxHostsBytes) return false;
    return ReadToEnd(sys, file, bytes, kMaxHostsBytes);
}

// The file's lines, split at CR LF, at a bare LF and at a bare CR alike, each remembering its own end;
// `bareEnds` tells whether any end is not CR LF. A file with CR LF ends only gives exactly the lines of a
// split at CR LF. Line ends are single bytes in every system code page, so splitting the bytes is
// splitting the text, and kept lines can be written back exactly as they were.
std::vector<HostsLine> LinesOf(System& sys, const std::string& bytes, bool& bareEnds) {
    std::vector<HostsLine> lines;
    bareEnds = false;
    for (const TextLine<char>& split : SplitLines(bytes, LineBreaks::LfOrCr)) {
        HostsLine line;
        line.bytes = split.text;
        line.end = split.end;
        bareEnds = bareEnds || (!split.end.empty() && split.end != kCrLf);
        line.text = sys.FromSystemCodePage(line.bytes);
        lines.push_back(std::move(line));
    }
    return lines;
}

// True when one of the line's host names (the fields after the address, up to a "#" comment) is `host`
// or a name below it: "ca.com" takes "www.ca.com" but neither "www.bankofamerica.com" nor
// "ca.company.lan". Both texts are upper case.
bool NamesHost(const std::wstring& upperLine, const std::wstring& upperHost) {
    const std::wstring text = upperLine.substr(0, upperLine.find(L'#'));
    const wchar_t* blanks = L" \t";
    std::size_t at = text.find_first_not_of(blanks);
    at = at == std::wstring::npos ? at : text.find_first_of(blanks, at);  // past the address
    while (at != std::wstring::npos) {
        const std::size_t begin = text.find_first_not_of(blanks, at);
        if (begin == std::wstring::npos) break;
        at = text.find_first_of(blanks, begin);
        const std::wstring name = text.substr(begin, at == std::wstring::npos ? std::wstring::npos : at - begin);
        if (name == upperHost) return true;
        if (name.size() > upperHost.size() && name.compare(name.size() - upperHost.size(), upperHost.size(), upperHost) == 0 &&
            name[name.size() - upperHost.size() - 1] == L'.')
            return true;
    }
    return false;
}

// The file as it is written back. A CR LF file is written line by line, each followed by CR LF, the
// text after its last CR LF included. A file with bare LFs or CRs keeps every kept line's own end, so
// nothing but the dropped lines changes.
std::string NewContent(System& sys, const std::vector<HostsLine>& lines, bool bareEnds, bool hasLocalhost) {
    std::string out;
    for (const HostsLine& line : lines) {
        if (line.marked) continue;
        out += line.bytes;
        out += bareEnds ? line.end : kCrLf;
    }
    if (!hasLocalhost) {
        if (!out.empty() && out.back() != '\n' && out.back() != '\r') out += kCrLf;
        out += sys.ToSystemCodePage(kLocalhostLine);
        out += kCrLf;
    }
    return out;
}

// A complete copy of the file as it was, in the log folder, under a name no earlier copy has; the copy's
// name, or empty when no whole copy could be made.
std::wstring KeepOriginal(Engine& e, const std::wstring& path) {
    std::wstring copyName;
    if (e.folders.LogFolder.empty() || !CopyToBackup(e.sys, e.folders.LogFolder, path, L"hosts", &copyName))
        return {};
    return copyName;
}

// Writes the new content beside the file and moves it over the old one in one step: whatever fails,
// the hosts file is either the old one, whole, or the new one, complete.
bool ReplaceContent(Engine& e, const std::wstring& path, const std::string& content) {
    const std::wstring temp = path + kNewSuffix;
    e.sys.SetFileAttributes(temp, kAttributeNormal);  // a read-only leftover of an interrupted run
    if (WriteWholeFile(e.sys, temp, content) && e.sys.MoveFileReplace(temp, path)) return true;
    e.Details(status::UnableToOpenHostsForCleaning);
    e.sys.DeleteFile(temp);
    return false;
}

// True when worm lines left the file.
bool Clean(Engine& e) {
    const std::wstring path = HostsPathIn(e.folders.SystemDir);
    if (!e.sys.SetFileAttributes(path, kAttributeNormal)) e.Details(status::UnableToClearHostsReadOnly);

    std::vector<HostsLine> lines;
    bool bareEnds = false;
    {
        OpenFileHandle file(e.sys);
        std::string bytes;
        // A file that cannot be read whole is never rewritten: its unread part would be lost.
        if (file.Open(path, FileAccess::ReadWrite, FileDisposition::OpenAlways) &&
            ReadOpenFile(e.sys, file.get(), bytes)) {
            file.reset();
            lines = LinesOf(e.sys, bytes, bareEnds);
        } else {
            e.Details(status::UnableToOpenHostsForScanning);
        }
    }

    // Both sides folded once instead of on every one of the entries × lines comparisons.
    std::vector<std::wstring> entries;
    entries.reserve(e.lstHostInfections.Count());
    for (const std::wstring& entry : e.lstHostInfections.Items()) entries.push_back(UpperCase(entry));
    const std::wstring upperLocalhost = L"LOCALHOST";
    const std::wstring upperMarker = UpperCase(kRemovalMarker);

    bool hasLocalhost = false;
    bool changed = false;
    const std::size_t last = lines.empty() ? 0 : lines.size() - 1;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        HostsLine& line = lines[i];
        std::wstring upper = UpperCase(line.text);
        // Only the original text can hold "localhost": a marked line holds the marker.
        if (upper.find(upperLocalhost) != std::wstring::npos) hasLocalhost = true;
        for (const std::wstring& entry : entries) {
            if (!NamesHost(upper, entry)) continue;
            e.Details(status::FoundHostsEntry, line.text);
            line.text = kRemovalMarker;
            upper = upperMarker;
            line.marked = true;
            changed = true;
        }
        if (last != 0) e.host.SetProg1(static_cast<double>(i) / static_cast<double>(last) * 100.0);
        e.host.DoEvents();
    }

    if (!changed) return false;
    // The worm lines stay rather than go without a whole copy of the file they were in.
    const std::wstring copyName = KeepOriginal(e, path);
    if (copyName.empty()) {
        e.Details(status::UnableToBackUp, L"hosts");
        e.wormsLeftBehind.insert(UpperCase(path));
        return false;
    }
    const std::string content = NewContent(e.sys, lines, bareEnds, hasLocalhost);
    if (ReplaceContent(e, path, content)) {
        std::vector<std::wstring> dropped;
        for (const HostsLine& line : lines)
            if (line.marked) dropped.push_back(e.sys.FromSystemCodePage(line.bytes));
        e.Changes().HostsRewritten(path, copyName, dropped, content);
        return true;
    }
    e.wormsLeftBehind.insert(UpperCase(path));
    return false;
}

}  // namespace

bool CleanHostsFile(Engine& e) {
    bool cleaned = false;
    try {
        cleaned = Clean(e);
    } catch (const std::exception&) {
        // Nothing of this stage may end the run; the file is only ever replaced whole.
        TraceCaught(L"CleanHostsFile");
    }
    e.host.SetProg1(0);
    e.host.SetProg2(100);
    return cleaned;
}

}  // namespace pell
