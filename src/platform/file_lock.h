#pragma once
// An exclusive lock on a lock file, held for as long as the FileLock object
// lives (at the latest until the process ends, however it ends). The holder
// writes its process ID into the file, so a refused caller can name it.
//
// The lock belongs to one open file, not to the process: a second attempt
// in the same process is refused like one from another process.

#include "platform/clock.h"

#include <cstdint>
#include <memory>
#include <string>

namespace kestrelon {

class FileLock {
public:
    enum class Outcome {
        Acquired,
        Held,     // another holder kept it for the whole wait
        Failed,   // the lock file could not be opened or locked
    };
    struct Attempt {
        Outcome outcome = Outcome::Failed;
        std::unique_ptr<FileLock> lock;   // set when Acquired
        long holderPid = 0;               // Held: the holder's process ID, 0 when unknown
        std::string reason;               // Failed: the lock file's full path and why, from the system
    };

    // Locks `lockPath`, creating the file when missing. While another holder
    // has it, tries again every 100 ms for up to waitMs (a copy of the
    // program that is shutting down lets go within moments).
    static Attempt Acquire(const std::string& lockPath, uint32_t waitMs, Clock& clock);

    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    const std::string& path() const { return path_; }

    // Whether the lock file's path still names the file this lock holds. A
    // lock file that was deleted or replaced while the lock was held no
    // longer keeps a second copy of the program out: the caller must stop
    // working on what the lock guarded. False, with why, when it does not.
    bool stillHeld(std::string& why) const;

private:
    struct Handle;
    FileLock(std::string path, std::unique_ptr<Handle> handle);

    std::string path_;
    std::unique_ptr<Handle> handle_;
};

} // namespace kestrelon
