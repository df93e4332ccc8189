#pragma once
// All-or-nothing page writes. Before a database page changes, its original bytes go to a
// journal beside the file (db path + "-journal"), flushed to the disk; the journal is
// removed once the new pages are flushed. Whatever the moment of a crash or power cut,
// recover() then leaves the file as it was before the change or as it is after.
//
// Order of use, under lock_database(): recover(), then read the file, then commit_pages()
// for each change. Run recover() before anything reads the file: a journal that survived
// a crash means the file may hold half a change.
#include <cstdint>
#include <map>
#include <string>

#include "jet/file.h"
#include "jet/file_system.h"
#include "jet/pager.h"
#include "jet/result.h"

namespace jet {

std::string journal_path(const std::string& db_path);

// Writes `pages` (page number -> new bytes) into `db`, which is the file at `db_path`
// open for writing, and sets its size to `new_size` (growing or shrinking it).
// On failure the file is put back as it was where the disk still allows it; where it
// does not, the journal stays and the next recover() puts it back. Either way a failed
// commit changed nothing the caller can see afterwards; drop any cached pages.
// Refuses to start while an earlier change awaits recovery.
Status commit_pages(FileSystem& fs, const std::string& db_path, File& db,
                    const std::map<std::uint32_t, PageBytes>& pages, std::uint64_t new_size);

enum class Recovery {
    none,         // no journal
    discarded,    // a journal torn while it was written: the file was never touched
    rolled_back,  // an interrupted change was undone
};

// Finishes what a crash interrupted: rolls back a complete journal, discards a torn one.
// Safe to run again when it is itself interrupted. A journal that is intact but
// impossible gives Errc::corrupt and is left in place, as is the file.
Result<Recovery> recover_journal(FileSystem& fs, const std::string& db_path);
Status recover(FileSystem& fs, const std::string& db_path);

}  // namespace jet
