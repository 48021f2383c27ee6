// TxtParam.h - CTxtParam, key=value text held in memory turned into an ordered list of
// name/value records (txt_param_item) that answers lookups by name, as text or as an int.
//
// Thread-safety: one CTxtParam is used by one thread at a time, or guarded by its user. Its
// array locks each single insertion and read, but Parse, Clear and the lookups are not atomic
// as a whole. Ownership: the object owns its records; Clear and the destructor free them.
#pragma once

#include <yrapi/log/PtArray.h>

namespace YRAPI {

/// One accepted line: both texts NUL-terminated and cut to their fields.
struct txt_param_item {
    char szName[128];   // at most 127 characters
    char szValue[256];  // at most 255 characters
};

class CTxtParam {
  public:
    CTxtParam();
    virtual ~CTxtParam();

    CTxtParam(const CTxtParam&) = delete;
    CTxtParam& operator=(const CTxtParam&) = delete;

    /// Replaces every record with those of text (null is taken as empty), then marks the
    /// object loaded. Lines end at LF; one CR before the LF is dropped. "//" starts a comment
    /// anywhere; a line needs a "=" (the first one splits name from value); spaces (0x20 only)
    /// around name and value are trimmed; names keep 127 characters, values 255. Names are
    /// not unique: a repeated name adds a further record, and lookups see the first.
    /// A line longer than 2047 characters is cut to its first 2047: the rest, up to its LF,
    /// is skipped. (Splitting it would turn the tail of a long value or comment into records
    /// of its own; a cut line still yields the name and value the fields can hold.)
    void Parse(const char* text);

    /// Frees every record; the object stays loaded.
    void Clear();

    /// Copies the value of the first record named exactly name (case-sensitive) with
    /// CopyText(buf, size, value) and returns true; a size of 0 or less, or a null buf, copies
    /// nothing. False, with buf untouched, before the first Parse or without such a record.
    bool GetString(const char* name, char* buf, int size);

    /// The first record's value as atoi reads its first 254 characters (a value that is not a
    /// number gives 0; one out of int's range is clamped). False, with *value untouched, as
    /// for GetString; a null value only reports whether the name is there.
    bool GetInt(const char* name, int* value);

    /// The number of records held (for callers that want to know whether a text gave any).
    int GetCount() const { return params.count.load(); }

    /// True once Parse has run; Clear does not reset it.
    bool IsLoaded() const { return bLoaded; }

  private:
    void AddParam(const txt_param_item& item);
    int FindValue(const char* name, char* buf, int size);

    CPtArray params{/*bLocked=*/true};  // each entry an owned txt_param_item, in line order
    bool bLoaded = false;
};

}  // namespace YRAPI
