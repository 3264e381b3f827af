// Locks on a table that hold across processes: one lock file beside the
// table, open-file-description locks on it. Each handle has its own open file
// description, so two handles of one process exclude each other just as two
// processes do, and every lock goes when its handle closes or its process dies.
#pragma once

#include <cstdint>
#include <set>
#include <string>

namespace dbe {

class LockFile {
public:
    LockFile() = default;
    ~LockFile();
    LockFile(const LockFile &) = delete;
    LockFile &operator=(const LockFile &) = delete;

    // Opens the lock file and takes the table lock: shared, or exclusive.
    // False when another handle's lock conflicts (or the file cannot be
    // opened: then `ioError` is set).
    bool Open(const std::string &path, bool exclusive, bool &ioError);
    void Close();

    // False when another handle holds the record.
    bool LockRecord(uint32_t recno);
    void UnlockRecord(uint32_t recno);
    bool HoldsRecord(uint32_t recno) const { return held_.count(recno) != 0; }
    // True when another handle holds the record (this handle's own locks
    // never count).
    bool LockedByOther(uint32_t recno);

private:
    bool SetLock(int64_t offset, short type);

    int fd_ = -1;
    std::set<uint32_t> held_;
};

}  // namespace dbe
