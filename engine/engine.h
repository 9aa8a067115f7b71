// The program-wide state one cleaning run works on: the seams, the detection tables, the run-time lists,
// the folder values and the process tables.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "record/change_sink.h"
#include "base/folders.h"
#include "base/host.h"
#include "base/string_list.h"
#include "base/system.h"
#include "i18n/translation.h"
#include "processes/process_entry.h"
#include "signatures/detection_tables.h"
#include "smartscan/md5_hash.h"

namespace pell {

// Lives as long as the program; a run reads and extends what earlier runs left (see the lists below).
// The detection tables it stands on are merged at start-up; SmartScan appends names, the update check
// appends digests.
struct Engine : DetectionTables {
    Engine(System& system, Host& host, const Translation& translation)
        : sys(system), host(host), translation(translation) {}

    System& sys;
    Host& host;
    // The program's one translation, owned by its start-up; a change of language changes it in place.
    const Translation& translation;

    // Run-time lists. lstIdentifiedByMD5 and lstInfectedKeys are never cleared.
    StringList lstKeys;
    StringList lstIdentifiedByMD5;
    StringList lstInfectedKeys;
    StringList lstHostFile;  // spare list of the database: stored empty, never read or written

    Folders folders;

    // Entry 0 of both is an empty entry.
    std::vector<ProcessEntry> ProcessTable{ProcessEntry{}};
    std::vector<ProcessEntry> ProcessCandidates{ProcessEntry{}};

    // The files the current process scan has backed up completely, by their identity (FileKey), with
    // their copies: a file met again under another name or path is not copied twice.
    std::unordered_map<std::wstring, FileCopy> backedUpThisScan;
    // The digests this run has computed, by file: each file is read for its digest once.
    DigestCache digestCache;
    // The digests the record carries (of copies, of rewritten files), with one crypto provider for the
    // whole run.
    KeptMd5 recordMd5{sys, host};

    // The indices of the InfectionNames entries SmartScan appended. Such a name stands for the bytes it
    // was identified by, not for every program of that name: it acts only on files and processes whose
    // own digest is listed (the worm's other copies). The names of the database act on their name alone.
    std::unordered_set<std::size_t> namesFoundByDigest;
    // Whether the file at a path has a digest of MD5Hashes. SmartScan provides it, as the hashing is its
    // own; before that (or without a crypto provider) no file counts as listed.
    std::function<bool(const std::wstring& path)> digestListed;
    bool DigestListed(const std::wstring& path) const { return digestListed && digestListed(path); }

    // What the current run did and could not do, for its outcome (reset when a run starts).
    bool fileRemoved = false;            // a worm file was deleted
    std::unordered_set<std::wstring> wormsLeftBehind;  // files, the hosts file, service keys it could not remove
    std::unordered_set<std::wstring> leftAloneReported;  // matches named as left alone (comparable paths)

    // Set when the services key could not be read: the program ends and the run goes no further.
    bool programEnded = false;

    // Where the stages tell each change they make; nothing is recorded while it is null.
    ChangeSink* changes = nullptr;
    ChangeSink& Changes();
    // False once a change of this run could not be written to its record: no stage changes anything
    // more (each asks right before its change).
    bool MayChange();

    // Details lines of this run that report something the run could not do (a backup, a termination, a
    // removal, the hosts file); RunCleaning resets it.
    std::size_t failures = 0;

    // The record of the last run (empty when none could be written).
    std::wstring lastRecord;

    // The details channel: one translated status line.
    void Details(float code, std::wstring_view arg = {});
};

}  // namespace pell
