#pragma once
// The file-system steps of a settings save, behind an interface so tests can
// make any one of them fail, and so a test or a fuzzer can keep the file in
// memory. A save writes a complete new file beside the old one, forces it
// to the disk and renames it over it, then forces the folder: a crash or a
// failed step leaves either the old file or the new one, never a
// half-written file, and a save that reported success survives a power cut.
//
// The settings path may be a symbolic link (for example to a shared
// folder): the link is followed and its target is replaced, in the target's
// folder, so the link keeps pointing at the shared file. Only links owned by
// the user running the program or by root are followed: another user's link
// in a shared folder such as /tmp must not make the program create, replace
// or delete files where that user points it.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kestrelon {

// What a settings path names, links followed.
enum class PathKind {
    Missing,      // nothing there, in a folder that exists: a first start
    Regular,
    NotRegular,   // a folder, a FIFO, a device...
    Unusable,     // empty path, a missing folder on the way, no access, an untrusted link
};
struct PathState {
    PathKind kind = PathKind::Missing;
    std::string reason;   // for NotRegular and Unusable
    uint64_t links = 0;   // Regular: the number of names (hard links) the file has
};

// Enough to tell that the file a path names is still the one last read or
// written: a replacement, even of the same size, gets a new inode.
struct FileStamp {
    uint64_t device = 0, inode = 0, size = 0;
    int64_t modifiedNs = 0;
    bool operator==(const FileStamp&) const = default;
};

class SettingsFileOps {
public:
    virtual ~SettingsFileOps() = default;

    // What the path names; see InspectSettingsPath.
    virtual PathState inspect(const std::string& path);
    // The file's stamp; false when there is no such file.
    virtual bool stamp(const std::string& path, FileStamp& out);
    // Whether the file could be replaced now; see CanReplaceFile.
    virtual bool canReplace(const std::string& path, std::string& reason);
    // The file the path finally names; see ResolveSymlinks.
    virtual std::string resolve(const std::string& path);

    // Whole contents; false when the file cannot be read or is not a
    // regular file (a FIFO or a device is never opened for long, nor waited
    // on). errno tells why.
    virtual bool readAll(const std::string& path, std::string& out);
    // A file the user marked read-only is left alone, as the platform's
    // profile functions would (a rename would otherwise replace it).
    virtual bool isReadOnly(const std::string& path);

    // A new, empty file "<path>.tmpXXXXXX" beside `path`, with the
    // permissions of the file at `path` when there is one; its descriptor,
    // or -1 with errno set.
    virtual int createTemp(const std::string& path, std::string& tempPath);
    // Each false leaves errno telling why.
    virtual bool writeAll(int fd, const std::string& data);
    // Forces the data to the disk before the rename makes it the file.
    virtual bool flush(int fd);
    virtual bool close(int fd);
    virtual bool rename(const std::string& from, const std::string& to);
    virtual void remove(const std::string& path);
    // Makes the rename itself durable. A file system that cannot force a
    // folder at all counts as done.
    virtual bool syncFolder(const std::string& path);
};

std::shared_ptr<SettingsFileOps> PosixSettingsFileOps();

// The file a path finally names: symbolic links followed (also a link to a
// file that does not exist yet). The path itself when it is no link, or
// when the links go round in circles. A link owned by anyone but the user
// running the program or root is not followed: the path of that link is
// returned and `untrusted`, when given, says why.
std::string ResolveSymlinks(const std::string& path, std::string* untrusted = nullptr);

PathState InspectSettingsPath(const std::string& path);

// Whether `path` could be replaced now: its folder takes new files and the
// file (when there) is a writable regular file. False with the reason.
bool CanReplaceFile(const std::string& path, std::string& reason);

// Replaces `path` (its link target, when it is a link) with `data` by the
// steps above, keeping the file's permissions. False, with the system's
// reason, when any step failed or the path names something other than a
// regular file; the old file is then unchanged and no temporary file
// remains, except after a failed sync of the folder: the new file is then
// in place but may not survive a power cut.
bool ReplaceFileAtomically(SettingsFileOps& ops, const std::string& path, const std::string& data,
                           std::string& reason);

// The temporary files a save of `path` makes ("<name>.tmpXXXXXX" beside
// its target). Removes those that a save cut short left behind: regular
// files of exactly that pattern owned by the user running the program.
// Call only while holding the settings lock, so no save is running.
// Returns how many.
int RemoveStaleTemps(const std::string& path);

// False when there is no such file.
bool StampOf(const std::string& path, FileStamp& out);

// Full paths of the entries beside `path`'s target whose names start with
// `path`'s target name followed by `suffix`.
std::vector<std::string> SiblingsOf(const std::string& path, const std::string& suffix);

// Creates `path` with `data`, never replacing anything that is there.
bool WriteNewFile(const std::string& path, const std::string& data, std::string& reason);

// The path made absolute against the current folder, for messages: an
// operator must be able to find the file a message names.
std::string FullPath(const std::string& path);

} // namespace kestrelon
