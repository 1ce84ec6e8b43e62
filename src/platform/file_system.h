#pragma once
// The few file operations the settings file, the simulated pair's state and
// the command line's checks need, behaving the same on POSIX systems and on
// Windows: descriptors are C runtime descriptors on both, every file is
// binary, paths are UTF-8 (UTF-16 for the system on Windows) and split on
// "\" as well as "/" on Windows. A failure leaves errno set, Windows errors
// mapped to the nearest errno (a file in use is EBUSY, a full disk ENOSPC).
//
// Symbolic links are seen and resolved by the program on POSIX systems
// only; on Windows (where making one needs an administrator) the system
// follows them and LinkInfo reports what they name.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kestrelon::files {

enum class Type { Regular, Folder, Link, Other };

struct Info {
    Type type = Type::Other;
    uint64_t size = 0;
    uint64_t links = 1;            // names (hard links) of the file
    int64_t modifiedNs = 0;        // last change, to the system's finest (100 ns on Windows)
    // Which file it is: device and inode, or volume serial number and file
    // index on Windows.
    uint64_t volume = 0, index = 0;
    unsigned mode = 0644;          // POSIX permission bits; on Windows 0444 or 0644 by the read-only attribute
    bool readOnly = false;         // no write permission bit at all / the read-only attribute
    bool ownedByUser = true;       // owned by the user running the program (always on Windows)
    bool ownedByAdmin = false;     // owned by root (never on Windows)

    bool sameFile(const Info& o) const { return volume == o.volume && index == o.index; }
};

// Facts about a path, links followed (Info) or not (LinkInfo); about an
// open descriptor (DescriptorInfo).
bool PathInfo(const std::string& path, Info& out);
bool LinkInfo(const std::string& path, Info& out);
bool DescriptorInfo(int fd, Info& out);
// The text of a symbolic link; false where the program does not resolve links.
bool ReadLink(const std::string& path, std::string& target);
// Whether the user may write the file, or create files in the folder.
bool MayWrite(const std::string& path);

// Opens an existing file for reading, never waiting (a FIFO put in a file's
// place cannot hang the program); -1 when it cannot.
int OpenForReading(const std::string& path);
// Opens a file for appending, made (NewFileMode) when missing and `create`;
// -1 when it cannot.
int OpenForAppending(const std::string& path, bool create = false);
// Creates `path`, never replacing anything that is there (EEXIST).
int CreateNew(const std::string& path, unsigned mode);
// Creates "<prefix>XXXXXX" with six letters or digits chosen anew until the
// name is free; its descriptor and `made` the name, or -1.
int CreateUnique(const std::string& prefix, unsigned mode, std::string& made);
// Whether a name ends in what CreateUnique puts after its prefix.
bool IsUniqueSuffix(const std::string& s);

// Read: bytes read, 0 at the end, -1 on failure. WriteAll writes all or
// fails. Flush forces what was written to the disk.
long Read(int fd, char* buf, size_t len);
bool WriteAll(int fd, const std::string& data);
bool Flush(int fd);
// Forces the data and the file's length, not its times (cheaper where the
// system tells them apart).
bool FlushData(int fd);
bool Close(int fd);
// The permission bits of an open file (nothing on Windows, where the
// folder's access rules apply to a new file).
bool SetMode(int fd, unsigned mode);
// The permission bits a new file gets by default (0666 less the umask).
unsigned NewFileMode();

// Makes `to` the file `from` is, replacing what `to` named, in one step
// (rename; MoveFileEx with replace and write-through on Windows, where the
// C runtime's rename never replaces).
bool ReplaceWith(const std::string& from, const std::string& to);
bool Remove(const std::string& path);
// Forces a folder's entries to the disk after a rename. True where the
// file system has no such step (Windows: the write-through replace is it).
bool SyncFolder(const std::string& folder);
// The names in a folder, without "." and "..".
bool ListFolder(const std::string& folder, std::vector<std::string>& names);

// Paths: the last separator ("/", and "\" on Windows) or npos, the folder
// ("." for a bare name) and the name, and whether a path is absolute.
bool IsSeparator(char c);
size_t LastSeparator(const std::string& path);
std::string FolderOf(const std::string& path);
std::string NameOf(const std::string& path);
bool IsAbsolute(const std::string& path);

// The system's text for an errno value, for messages.
std::string ErrorText(int errnum);

} // namespace kestrelon::files
