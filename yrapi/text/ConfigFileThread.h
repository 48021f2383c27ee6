// ConfigFileThread.h - CConfigFileThread, a table of name=value settings read from a text
// file and kept current by a worker thread of its own, which looks at the file once per
// period and reloads it when it has changed; and the free functions ConfigLoad,
// ConfigHasKey, ConfigGetString, ConfigSetString, ConfigGetInt and ConfigGetLong on the
// process-wide instance (period 5000 ms, one of the process-wide objects).
//
// Thread-safety: any thread may call any member. tableLock (recursive) guards the table, its
// index by name, the watched path and the file status; HasKey, the getters and SetString run wholly
// under it, and the worker holds it for a whole reload, so a reader never sees half of a reloaded
// file. Lock order: tableLock before the array's own lock and the log queue's lock (a reload logs);
// nothing here is called back with those held. A call may wait for a reload to end.
//
// Value texts: GetString returns a pointer that stays valid, with its text unchanged, until
// the instance is destroyed. A text is never written once published: setting a name to a new
// value (by SetString or a reload) points the record at another text under tableLock and
// keeps the old one, so a reader holding an earlier pointer keeps reading the earlier value,
// whole. To keep memory bounded, the table keeps each distinct value text once, shared by
// every name that has it, and reuses it when a value comes back: memory grows with the number
// of distinct values ever set, not with the number of reloads.
//
// Cost: beside the table (which keeps the order in which names were first set) an index maps
// each stored name to its record, so a lookup or a SetString costs O(1) on average and a load
// of N lines O(N), however large the table; both are kept under tableLock together.
//
// Enumeration: CopySettings takes a copy of the whole table under tableLock, and
// GetLoadCount counts the files read, so that a viewer (a dialog's table) can poll for a
// change from any thread and copy the table only when it has changed; neither hands out
// anything that a later reload could change.
//
// Ownership: the table owns its records and texts and frees them in the destructor, after the
// worker has stopped (StopForDestruction), so they are never freed under a running reload.
// A subclass that overrides the operations the worker calls passes bStartThread false, calls
// Start(true) as the last act of its own constructor and stops the thread in its own
// destructor, so that the worker never runs while the subclass is only partly built.
#pragma once

#include <yrapi/log/LogInterface.h>
#include <yrapi/log/PtArray.h>
#include <yrapi/platform/Types.h>
#include <yrapi/threads/BaseThread.h>
#include <yrapi/threads/Mutex.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <utility>
#include <vector>

/// One setting; a record is zero-filled when created and lives until the table goes.
struct config_item {
    char szName[128];      // NUL-terminated, at most 127 characters
    const char* pszValue;  // the current value text (at most 511 characters); guarded by
                           // tableLock, never null, and never written through
};

class CConfigFileThread : public YRAPI::CBaseThread, public YRAPI::CYRLogInterface {
  public:
    /// An empty table that watches nothing; the worker starts at the end of the constructor
    /// (with bStartThread; see the header comment for subclasses). dwPeriod is in ms.
    explicit CConfigFileThread(YRAPI::DWORD dwPeriod, bool bStartThread = true);

    /// Stops the worker (Stop(200), then the forced end of StopForDestruction for a worker
    /// caught in a long reload), then frees the records and texts.
    ~CConfigFileThread() override;

    /// One pass: when a path is watched and the file's status differs from the one recorded
    /// at the last reload (looked up afresh when it did not), Load the file and record its
    /// status; then Idle for one period. Always true.
    bool Step() override;

    /// Reads the file at path into the table with ParseFile and makes it the watched file,
    /// recording the file's status as taken before the read (a save during the read therefore
    /// counts as a change at the worker's next pass); every load is logged at level 4. False, with
    /// nothing logged and nothing changed, when the file cannot be opened, is not a regular file,
    /// or its path is longer than 255 characters (which could not be watched under its own name);
    /// otherwise ParseFile's result.
    virtual bool Load(const char* path);

    /// Applies each line of an open file with SetString, under tableLock. "//" and "#" start
    /// a comment anywhere; space, tab, CR and LF are trimmed from the line, from the end of
    /// the name and from both ends of the value; a line without "=" or with an empty name
    /// adds nothing; a later line wins. A line longer than 2047 characters is cut to its first
    /// 2047 and the rest of it skipped (read as lines of their own, the tail of a long comment
    /// or value would turn into settings). A read error ends the parse. Always true.
    virtual bool ParseFile(std::FILE* file);

    /// True when a record has this name. Names are compared exactly (case-sensitive), cut to
    /// their first 127 characters as they are when stored, so a longer name finds its own
    /// record. This holds for every operation below.
    virtual bool HasKey(const char* name);

    /// The value text of name, or defaultValue when there is none (see the header comment for
    /// how long the pointer is valid).
    virtual const char* GetString(const char* name, const char* defaultValue);

    /// Sets name to value (cut to 511 characters), adding a record when the name is new. A
    /// null name does nothing; a null value leaves an existing value as it is and gives a new
    /// record an empty one.
    virtual void SetString(const char* name, const char* value);

    /// The value as atoi reads it (out of int's range it is clamped), or defaultValue.
    virtual int GetInt(const char* name, int defaultValue);

    /// The value as atol reads it (a 64-bit long here; clamped out of range), or defaultValue.
    virtual long GetLong(const char* name, long defaultValue);

    /// Under tableLock, looks up the status of the watched file afresh (zero when there is
    /// none or it cannot be read).
    void RefreshStatus();

    /// Every setting as (name, value), in the order in which the names were first set: one
    /// state of the table, copied under tableLock (never half of a reload).
    std::vector<std::pair<std::string, std::string>> CopySettings();

    /// How many times Load has read a file into the table (the worker's reloads included);
    /// it changes after each such load, once the file's settings are applied. Any thread.
    YRAPI::DWORD GetLoadCount() const { return dwLoadCount.load(); }

  private:
    // What tells one version of the file from another: the modification time at the file
    // system's full resolution (not whole seconds, so that two writes within one second are
    // told apart, and not cut to 32 bits), the size and the kind of file. All zero when there
    // is no file.
    struct file_status {
        std::int64_t nModified = 0;
        std::int64_t nSize = 0;
        int nType = 0;
        bool operator==(const file_status&) const = default;
    };
    struct text_pool;
    struct name_index;

    static file_status StatusOf(const char* path);
    config_item* FindItem(const char* name);  // REQUIRES: tableLock held
    const char* KeepText(const char* value);  // REQUIRES: tableLock held

    YRAPI::CPtArray table{/*bLocked=*/true};  // owned config_item records; guarded by tableLock
    YRAPI::CMutex tableLock;
    char szPath[256] = {};  // the watched file, empty for none; guarded by tableLock
    // Status of szPath as taken before the read whose content the table holds (or afresh, by
    // RefreshStatus); guarded by tableLock.
    file_status fileStatus;
    YRAPI::DWORD dwPeriod;               // the poll period in ms
    file_status loadedStatus;            // status recorded at the worker's last reload; worker only
    std::unique_ptr<text_pool> pTexts;   // every value text ever published; guarded by tableLock
    std::unique_ptr<name_index> pIndex;  // each record by its name; guarded by tableLock
    std::atomic<YRAPI::DWORD> dwLoadCount{0};  // files read by Load; written under tableLock
};

namespace YRAPI {
/// The process-wide configuration table (period 5000 ms), built before main. Its storage is
/// never freed; once the process-wide objects have ended at exit its thread no longer runs.
::CConfigFileThread& GetConfigFileThread();

namespace detail {
/// The process-wide table while it serves the free functions below: null before it is built
/// and once it has ended at exit.
::CConfigFileThread* ServingConfigTable();
}  // namespace detail
}  // namespace YRAPI

/// Free functions on the process-wide table, each forwarding to the member of the same role.
/// Safe at any moment of the process's life, from any thread: while the table is not (or no
/// longer) serving, the getters return defaultValue (ConfigHasKey false) and ConfigLoad and
/// ConfigSetString refuse (false, nothing stored).
bool ConfigLoad(const char* path);
bool ConfigHasKey(const char* name);
const char* ConfigGetString(const char* name, const char* defaultValue);
void ConfigSetString(const char* name, const char* value);
int ConfigGetInt(const char* name, int defaultValue);
long ConfigGetLong(const char* name, long defaultValue);
