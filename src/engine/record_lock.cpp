#include "record_lock.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace dbe {
namespace {

// Byte 0 guards the table; record n is byte kRecordBase + n.
constexpr int64_t kRecordBase = 16;

}  // namespace

LockFile::~LockFile() { Close(); }

bool LockFile::Open(const std::string &path, bool exclusive, bool &ioError) {
    ioError = false;
    fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd_ < 0) fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) {
        ioError = true;
        return false;
    }
    // A read-only lock file still carries shared locks; an exclusive lock
    // needs a descriptor open for writing.
    if (!SetLock(0, exclusive ? F_WRLCK : F_RDLCK)) {
        Close();
        return false;
    }
    return true;
}

void LockFile::Close() {
    if (fd_ >= 0) ::close(fd_);  // releases every lock of this description
    fd_ = -1;
    held_.clear();
}

bool LockFile::SetLock(int64_t offset, short type) {
    struct flock fl {};
    fl.l_type = type;
    fl.l_whence = SEEK_SET;
    fl.l_start = offset;
    fl.l_len = 1;
    fl.l_pid = 0;
    while (::fcntl(fd_, F_OFD_SETLK, &fl) != 0) {
        if (errno != EINTR) return false;
    }
    return true;
}

bool LockFile::LockRecord(uint32_t recno) {
    if (held_.count(recno)) return true;
    if (fd_ < 0 || !SetLock(kRecordBase + recno, F_WRLCK)) return false;
    held_.insert(recno);
    return true;
}

void LockFile::UnlockRecord(uint32_t recno) {
    if (!held_.erase(recno)) return;
    SetLock(kRecordBase + recno, F_UNLCK);
}

bool LockFile::LockedByOther(uint32_t recno) {
    if (held_.count(recno) || fd_ < 0) return false;
    struct flock fl {};
    fl.l_type = F_WRLCK;
    fl.l_whence = SEEK_SET;
    fl.l_start = kRecordBase + recno;
    fl.l_len = 1;
    if (::fcntl(fd_, F_OFD_GETLK, &fl) != 0) return false;
    return fl.l_type != F_UNLCK;
}

}  // namespace dbe
